// WinINet handles owned the RAII way, and the open FTP connection built from them.
#pragma once

#include <memory>

#include "framework/internet.h"

namespace framework::win32 {

struct InternetHandleCloser {
    void operator()(void* handle) const {
        if (handle != nullptr) InternetCloseHandle(handle);
    }
};
using InternetHandle = std::unique_ptr<void, InternetHandleCloser>;

// A session and its logged-in FTP connection. A worker still blocked in WinINet shares them,
// so that they are closed only after the last user is done (the connection first).
struct FtpHandles {
    InternetHandle session;
    InternetHandle connection;
};

}  // namespace framework::win32

struct CFtpConnection::Impl {
    std::shared_ptr<framework::win32::FtpHandles> handles;
};
