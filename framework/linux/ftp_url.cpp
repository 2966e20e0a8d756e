#include "ftp_url.h"

namespace framework::backend {

namespace {

bool IsUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

void AppendEncoded(std::string& url, unsigned char c) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    url += '%';
    url += kHex[c >> 4];
    url += kHex[c & 0x0F];
}

}  // namespace

std::string FtpServerUrl(const std::string& server, int port) {
    const bool ipv6 = server.find(':') != std::string::npos;
    return "ftp://" + (ipv6 ? "[" + server + "]" : server) + ":" + std::to_string(port);
}

std::string FtpFileUrl(const std::string& serverUrl, const std::string& remotePath) {
    std::string url = serverUrl + "/";
    for (std::string::size_type i = 0; i < remotePath.size(); ++i) {
        const auto c = static_cast<unsigned char>(remotePath[i]);
        // Inner slashes stay: libcurl without CWD keeps them in the one path it sends.
        if (IsUnreserved(c) || (c == '/' && i > 0)) {
            url += static_cast<char>(c);
        } else {
            AppendEncoded(url, c);
        }
    }
    return url;
}

}  // namespace framework::backend
