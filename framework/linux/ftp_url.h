// URLs that make libcurl pass FTP paths to the server unchanged.
#pragma once

#include <string>

namespace framework::backend {

// "ftp://server:port", with an IPv6 address in brackets.
std::string FtpServerUrl(const std::string& server, int port);

// The server URL followed by the path, percent-encoded so that libcurl, asked to send the
// whole path in one command (no CWD), decodes it back to exactly remotePath: a leading
// slash becomes %2F, since the first slash of a URL path only separates it from the host.
std::string FtpFileUrl(const std::string& serverUrl, const std::string& remotePath);

}  // namespace framework::backend
