// The internet session and its FTP connections on libcurl. A connection is one easy
// handle: GetFtpConnection logs in on it, and GetFile reuses the connection libcurl keeps.
#include <curl/curl.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <new>
#include <string>

#include "curl_easy.h"
#include "fetch_bounds.h"
#include "framework/app.h"
#include "framework/files.h"
#include "framework/internet.h"
#include "ftp_url.h"
#include "replacing_file.h"

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::milliseconds;

namespace framework::backend {

bool CurlReady() {
    static std::once_flag once;
    static bool ready = false;
    std::call_once(once, [] { ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
    return ready;
}

}  // namespace framework::backend

using framework::backend::CurlEasyPtr;

struct CFtpConnection::Impl {
    char errorText[CURL_ERROR_SIZE] = {};  // before curl: libcurl writes it until cleanup
    CurlEasyPtr curl;
    std::string serverUrl;
    Milliseconds receiveTimeout{0};
    std::uint64_t maxFileSize = 0;  // 0: no bound
};

namespace {

// Thrown by pointer, as the framework's exceptions are: the catcher frees it with Delete().
[[noreturn]] void ThrowInternetException(CString message) {
    auto exception = std::make_unique<CInternetException>(std::move(message));
    throw exception.release();
}

CString ErrorText(const CFtpConnection::Impl& impl, CURLcode code) {
    return impl.errorText[0] != '\0' ? CString(impl.errorText) : curl_easy_strerror(code);
}

size_t Discard(char*, size_t size, size_t count, void*) { return size * count; }

long WholeSecondsAtLeastOne(Milliseconds duration) {
    const auto seconds = (duration.count() + 999) / 1000;
    return seconds > 0 ? static_cast<long>(seconds) : 1L;
}

// Connects and logs in without transferring anything; the whole try is bounded by the
// connect time-out, the server's greeting and the log-in included. libcurl tries each of the
// server's addresses in turn within it.
CURLcode LogIn(CFtpConnection::Impl& impl, DWORD connectTimeout) {
    CURL* curl = impl.curl.get();
    const std::string url = impl.serverUrl + "/";
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(connectTimeout));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Discard);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 1L);
    impl.errorText[0] = '\0';
    return curl_easy_perform(curl);
}

struct Transfer {
    framework::backend::ReplacingFile* file;
    Milliseconds receiveTimeout;
    Clock::time_point lastData;
    std::uint64_t maxFileSize;  // 0: no bound
    std::uint64_t received = 0;
    bool stalled = false;
};

size_t WriteToFile(char* data, size_t size, size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    transfer->lastData = Clock::now();
    const size_t length = size * count;
    // A short count makes libcurl end the transfer with a write error. libcurl checks the
    // size that the server announces before the transfer, but a server may announce none,
    // so the bound is also kept on what arrives: nothing beyond it is ever written.
    if (transfer->maxFileSize != 0 && length > transfer->maxFileSize - transfer->received) {
        return 0;
    }
    transfer->received += length;
    return transfer->file->Write(data, length) ? length : 0;
}

// libcurl calls this about once a second even while nothing arrives, so the receive
// limit holds for the replies on the control connection and for the data alike.
int CheckReceiveLimit(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto* transfer = static_cast<Transfer*>(user);
    transfer->stalled = Clock::now() - transfer->lastData > transfer->receiveTimeout;
    return transfer->stalled ? 1 : 0;
}

// A server that stalls or trickles is a failure of the server, not of the file: it is reported
// like a failed connection.
[[noreturn]] void ThrowTimedOut(const CFtpConnection::Impl& impl, const Transfer& transfer) {
    if (transfer.stalled) {
        ThrowInternetException("No data from the server for " +
                               std::to_string(transfer.receiveTimeout.count() / 1000) + " s");
    }
    ThrowInternetException(ErrorText(impl, CURLE_OPERATION_TIMEDOUT));
}

bool Download(CFtpConnection::Impl& impl, const char* remoteFile, const char* localFile,
              bool replace) {
    // libcurl would list a folder for a path ending in a slash, not fetch a file.
    const std::string remote = remoteFile != nullptr ? remoteFile : "";
    if (remote.empty() || remote.back() == '/') return false;
    if (localFile == nullptr || localFile[0] == '\0') return false;

    const DWORD attributes = GetFileAttributesA(localFile);
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || !replace) return false;
    }

    framework::backend::ReplacingFile file(localFile);
    if (!file.ok()) return false;

    Transfer transfer{&file, impl.receiveTimeout, Clock::now(), impl.maxFileSize};
    CURL* curl = impl.curl.get();
    const std::string url = framework::backend::FtpFileUrl(impl.serverUrl, remote);
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_NOBODY, 0L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS,
                     static_cast<long>(framework::fetch_bounds::kTransferLimit.count()));
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(impl.maxFileSize));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteToFile);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, CheckReceiveLimit);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    impl.errorText[0] = '\0';
    const CURLcode code = curl_easy_perform(curl);

    // Nothing may point at this frame once it is gone (closing still talks to the server).
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Discard);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, nullptr);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 1L);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, nullptr);

    if (code == CURLE_OPERATION_TIMEDOUT || (code == CURLE_ABORTED_BY_CALLBACK && transfer.stalled)) {
        ThrowTimedOut(impl, transfer);
    }
    return code == CURLE_OK && file.Commit(replace);
}

}  // namespace

CFtpConnection::CFtpConnection(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}

// Destroying the handle logs out and closes, as Close does.
CFtpConnection::~CFtpConnection() = default;

BOOL CFtpConnection::GetFile(const char* remoteFile, const char* localFile, BOOL failIfExists,
                             DWORD attributes, DWORD flags, DWORD) {
    if (!m_impl || !m_impl->curl) return FALSE;
    if (attributes != FILE_ATTRIBUTE_NORMAL || flags != FTP_TRANSFER_TYPE_BINARY) return FALSE;
    try {
        // A transfer that runs out of time throws CInternetException*, which passes on.
        return Download(*m_impl, remoteFile, localFile, !failIfExists) ? TRUE : FALSE;
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
}

void CFtpConnection::Close() {
    if (m_impl) m_impl->curl.reset();
}

CInternetSession::CInternetSession(const char* agent, DWORD, DWORD accessType,
                                   const char* proxyName, const char* proxyBypass, DWORD flags)
    : m_receiveTimeout(static_cast<DWORD>(framework::fetch_bounds::kReceiveLimit.count())) {
    const bool hasProxy = proxyName != nullptr && proxyName[0] != '\0';
    const bool hasBypass = proxyBypass != nullptr && proxyBypass[0] != '\0';
    if (accessType != INTERNET_OPEN_TYPE_PRECONFIG || hasProxy || hasBypass || flags != 0) {
        ThrowInternetException("Unsupported session settings");
    }
    if (!framework::backend::CurlReady()) ThrowInternetException("libcurl cannot be initialised");
    if (agent != nullptr) {
        m_agent = agent;
    } else if (const CWinApp* app = AfxGetApp()) {
        m_agent = app->m_pszAppName;
    }
}

CInternetSession::~CInternetSession() { Close(); }

void CInternetSession::Close() { m_open = false; }

BOOL CInternetSession::SetOption(DWORD option, void* value, DWORD length, DWORD flags) {
    if (value == nullptr || length != sizeof(DWORD) || flags != 0) return FALSE;
    DWORD setting = 0;
    std::memcpy(&setting, value, sizeof(setting));
    switch (option) {
        case INTERNET_OPTION_CONNECT_TIMEOUT:
            m_connectTimeout = setting;
            return TRUE;
        case INTERNET_OPTION_CONNECT_RETRIES:
        case INTERNET_OPTION_CONNECT_BACKOFF:
            // They count and space the tries at the server's addresses; libcurl tries each
            // address once within the connect time-out, so they have nothing left to set.
            return TRUE;
        case INTERNET_OPTION_RECEIVE_TIMEOUT:
            m_receiveTimeout = setting;
            return TRUE;
        case INTERNET_OPTION_MAX_FILE_SIZE:
            m_maxFileSize = setting;
            return TRUE;
        default:
            return FALSE;
    }
}

CFtpConnection* CInternetSession::GetFtpConnection(const char* server, const char* userName,
                                                   const char* password, int port, BOOL passive) {
    if (!m_open) ThrowInternetException("The session is closed");
    if (server == nullptr || server[0] == '\0') ThrowInternetException("No server name");

    auto impl = std::make_unique<CFtpConnection::Impl>();
    impl->curl.reset(curl_easy_init());
    if (!impl->curl) ThrowInternetException(curl_easy_strerror(CURLE_OUT_OF_MEMORY));
    impl->serverUrl = framework::backend::FtpServerUrl(server, port);
    impl->receiveTimeout = Milliseconds(m_receiveTimeout);
    impl->maxFileSize = m_maxFileSize;

    CURL* curl = impl->curl.get();
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, impl->errorText);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "ftp");
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, Discard);
    if (!m_agent.empty()) curl_easy_setopt(curl, CURLOPT_USERAGENT, m_agent.c_str());
    if (userName != nullptr) curl_easy_setopt(curl, CURLOPT_USERNAME, userName);
    if (password != nullptr) curl_easy_setopt(curl, CURLOPT_PASSWORD, password);
    // Passive mode the classic way: PASV, never EPSV. Active mode lets the system choose
    // the address.
    curl_easy_setopt(curl, CURLOPT_FTP_USE_EPSV, 0L);
    if (!passive) curl_easy_setopt(curl, CURLOPT_FTPPORT, "-");
    // The path goes to the server in one command exactly as given: no CWD per folder, no
    // removal of "." and ".." segments.
    curl_easy_setopt(curl, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
    curl_easy_setopt(curl, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(m_connectTimeout));
    curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT,
                     WholeSecondsAtLeastOne(impl->receiveTimeout));

    if (const CURLcode code = LogIn(*impl, m_connectTimeout); code != CURLE_OK) {
        ThrowInternetException(ErrorText(*impl, code));
    }
    // The caller owns the connection and deletes it.
    return std::make_unique<CFtpConnection>(std::move(impl)).release();
}
