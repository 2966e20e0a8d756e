// What the common FTP code asks of a backend's internet layer.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "framework/internet.h"

// The backend defines CFtpConnection::Impl, its open connection, and where that type is
// complete also CFtpConnection's constructor, destructor and Close (which destroys the Impl:
// destroying it logs out and closes the connection).

namespace framework::backend {

// One connection's log-in, as the session's settings give it.
struct FtpLogin {
    const char* server;    // never empty
    const char* userName;  // nullptr: the platform's anonymous log-in
    const char* password;
    int port;
    bool passive;
    const CString& agent;  // empty: none
    std::chrono::milliseconds connectTimeout;
    std::chrono::milliseconds receiveTimeout;
    std::uint64_t maxFileSize;  // 0: no bound
};

// Sets the platform's internet layer up once per process; false, with error saying why, when
// it cannot be used.
bool InternetReady(CString& error);

// Connects and logs in, one try bounded by login.connectTimeout, and gives the connection
// with the login's limits; throws CInternetException*.
std::unique_ptr<CFtpConnection> OpenFtpConnection(const FtpLogin& login);

// Takes what a transfer delivers and decides when to give up on it.
class TransferSink {
public:
    virtual ~TransferSink() = default;
    // The next bytes of the file; false ends the transfer as failed.
    virtual bool Receive(const char* data, std::size_t size) = 0;
    // Asked at least once a second, also while nothing arrives; true ends the transfer.
    virtual bool GiveUp() = 0;
};

enum class TransferEnd {
    kComplete,  // the whole file has arrived
    kFailed,    // the server or the sink refused it
    kGivenUp,   // the sink's GiveUp ended it
    kTimedOut,  // the whole transfer outlasted its limit
};

struct TransferResult {
    TransferEnd end;
    CString error;  // the platform's text, for kTimedOut
};

// Retrieves remote, sent to the server exactly as given, into sink within limit; a size the
// server announces above maxFileSize (0: no bound) fails the transfer before it starts.
TransferResult RunTransfer(CFtpConnection::Impl& connection, const std::string& remote,
                           std::uint64_t maxFileSize, std::chrono::milliseconds limit,
                           TransferSink& sink);

}  // namespace framework::backend
