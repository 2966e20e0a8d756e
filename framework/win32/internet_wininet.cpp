// The internet layer on WinINet. A connection is a session handle and its FTP connection
// handle. Under some WinINet versions none of the time-out options is honoured, so the
// log-in runs on a worker thread that the caller stops waiting for at its own bound.
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

#include "backend/internet.h"
#include "framework/internet.h"
#include "internet_errors.h"
#include "internet_handle.h"
#include "internet_message.h"

using framework::ThrowInternetException;
using framework::win32::FtpHandles;
using framework::win32::InternetErrorText;
using framework::win32::InternetHandle;

CFtpConnection::CFtpConnection(std::unique_ptr<Impl> impl, DWORD receiveTimeout, DWORD maxFileSize)
    : m_impl(std::move(impl)), m_receiveTimeout(receiveTimeout), m_maxFileSize(maxFileSize) {}

// Destroying the handle logs out and closes, as Close does.
CFtpConnection::~CFtpConnection() = default;

void CFtpConnection::Close() { m_impl.reset(); }

namespace {

// One log-in, shared by the caller and the worker that makes it: whichever lets go last frees
// it, so a worker the caller stopped waiting for still finds everything it uses.
struct ConnectAttempt {
    std::shared_ptr<FtpHandles> handles = std::make_shared<FtpHandles>();
    std::string server;
    std::string userName;
    std::string password;
    bool hasUserName = false;
    bool hasPassword = false;
    INTERNET_PORT port = INTERNET_DEFAULT_FTP_PORT;
    DWORD flags = 0;

    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;  // the fields below are the worker's until it sets done
    DWORD error = 0;
    std::string response;
};

void LogIn(const std::shared_ptr<ConnectAttempt>& attempt) {
    HINTERNET connection =
        InternetConnectA(attempt->handles->session.get(), attempt->server.c_str(), attempt->port,
                         attempt->hasUserName ? attempt->userName.c_str() : nullptr,
                         attempt->hasPassword ? attempt->password.c_str() : nullptr,
                         INTERNET_SERVICE_FTP, attempt->flags, 0);
    // The error and the server's response are this thread's: read them here.
    const DWORD error = connection != nullptr ? 0 : GetLastError();
    std::string response =
        connection != nullptr ? std::string() : framework::win32::LastServerResponse();
    std::lock_guard lock(attempt->mutex);
    attempt->handles->connection.reset(connection);
    attempt->error = error;
    attempt->response = std::move(response);
    attempt->done = true;
    attempt->finished.notify_all();
}

// The options are asked for as the system offers them; where they are not honoured, the
// caller's own bound still holds.
void SetDwordOption(HINTERNET handle, DWORD option, DWORD value) {
    InternetSetOptionA(handle, option, &value, sizeof(value));
}

}  // namespace

namespace framework::backend {

// WinINet needs no set-up of its own.
bool InternetReady(CString&) { return true; }

std::unique_ptr<CFtpConnection> OpenFtpConnection(const FtpLogin& login) {
    auto attempt = std::make_shared<ConnectAttempt>();
    attempt->handles->session.reset(
        InternetOpenA(login.agent.empty() ? nullptr : login.agent.c_str(),
                      INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!attempt->handles->session) ThrowInternetException(InternetErrorText(GetLastError(), {}));
    HINTERNET session = attempt->handles->session.get();
    SetDwordOption(session, INTERNET_OPTION_CONNECT_TIMEOUT,
                   static_cast<DWORD>(login.connectTimeout.count()));
    SetDwordOption(session, INTERNET_OPTION_CONNECT_RETRIES, 1);
    SetDwordOption(session, INTERNET_OPTION_RECEIVE_TIMEOUT,
                   static_cast<DWORD>(login.receiveTimeout.count()));

    attempt->server = login.server;
    attempt->hasUserName = login.userName != nullptr;
    if (attempt->hasUserName) attempt->userName = login.userName;
    attempt->hasPassword = login.password != nullptr;
    if (attempt->hasPassword) attempt->password = login.password;
    attempt->port = static_cast<INTERNET_PORT>(login.port);
    attempt->flags = login.passive ? INTERNET_FLAG_PASSIVE : 0;

    try {
        std::thread(LogIn, attempt).detach();
    } catch (const std::system_error&) {
        ThrowInternetException(InternetErrorText(ERROR_NOT_ENOUGH_MEMORY, {}));
    }

    std::unique_lock lock(attempt->mutex);
    if (!attempt->finished.wait_for(lock, login.connectTimeout, [&] { return attempt->done; })) {
        // The worker keeps the attempt and closes its handles whenever WinINet lets it go.
        ThrowInternetException(InternetErrorText(ERROR_INTERNET_TIMEOUT, {}));
    }
    if (!attempt->handles->connection) {
        ThrowInternetException(InternetErrorText(attempt->error, attempt->response));
    }
    auto impl = std::make_unique<CFtpConnection::Impl>();
    // Taken from the attempt, so that the connection is the caller's alone and closing it
    // logs out at once.
    impl->handles = std::move(attempt->handles);
    return std::make_unique<CFtpConnection>(std::move(impl),
                                            static_cast<DWORD>(login.receiveTimeout.count()),
                                            static_cast<DWORD>(login.maxFileSize));
}

}  // namespace framework::backend
