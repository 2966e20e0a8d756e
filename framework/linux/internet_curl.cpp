// The internet layer on libcurl. A connection is one easy handle: OpenFtpConnection logs in
// on it, and each transfer reuses the connection libcurl keeps.
#include <curl/curl.h>

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>

#include "backend/internet.h"
#include "curl_easy.h"
#include "framework/internet.h"
#include "ftp_url.h"
#include "internet_errors.h"

using Milliseconds = std::chrono::milliseconds;
using framework::ThrowInternetException;

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
};

CFtpConnection::CFtpConnection(std::unique_ptr<Impl> impl, DWORD receiveTimeout,
                               DWORD maxFileSize)
    : m_impl(std::move(impl)), m_receiveTimeout(receiveTimeout), m_maxFileSize(maxFileSize) {}

// Destroying the handle logs out and closes, as Close does.
CFtpConnection::~CFtpConnection() = default;

void CFtpConnection::Close() { m_impl.reset(); }

namespace {

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
CURLcode LogIn(CFtpConnection::Impl& impl, Milliseconds connectTimeout) {
    CURL* curl = impl.curl.get();
    const std::string url = impl.serverUrl + "/";
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(connectTimeout.count()));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Discard);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 1L);
    impl.errorText[0] = '\0';
    return curl_easy_perform(curl);
}

struct Transfer {
    framework::backend::TransferSink* sink;
    bool gaveUp = false;
};

// A short count makes libcurl end the transfer with a write error.
size_t WriteToSink(char* data, size_t size, size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const size_t length = size * count;
    return transfer->sink->Receive(data, length) ? length : 0;
}

// libcurl calls this about once a second even while nothing arrives, so the sink's limits
// hold for the replies on the control connection and for the data alike.
int AskToGiveUp(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto* transfer = static_cast<Transfer*>(user);
    transfer->gaveUp = transfer->sink->GiveUp();
    return transfer->gaveUp ? 1 : 0;
}

}  // namespace

namespace framework::backend {

bool InternetReady(CString& error) {
    if (CurlReady()) return true;
    error = "libcurl cannot be initialised";
    return false;
}

std::unique_ptr<CFtpConnection> OpenFtpConnection(const FtpLogin& login) {
    auto impl = std::make_unique<CFtpConnection::Impl>();
    impl->curl.reset(curl_easy_init());
    if (!impl->curl) ThrowInternetException(curl_easy_strerror(CURLE_OUT_OF_MEMORY));
    impl->serverUrl = FtpServerUrl(login.server, login.port);

    CURL* curl = impl->curl.get();
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, impl->errorText);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "ftp");
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, Discard);
    if (!login.agent.empty()) curl_easy_setopt(curl, CURLOPT_USERAGENT, login.agent.c_str());
    if (login.userName != nullptr) curl_easy_setopt(curl, CURLOPT_USERNAME, login.userName);
    if (login.password != nullptr) curl_easy_setopt(curl, CURLOPT_PASSWORD, login.password);
    // Passive mode the classic way: PASV, never EPSV. Active mode lets the system choose
    // the address.
    curl_easy_setopt(curl, CURLOPT_FTP_USE_EPSV, 0L);
    if (!login.passive) curl_easy_setopt(curl, CURLOPT_FTPPORT, "-");
    // The path goes to the server in one command exactly as given: no CWD per folder, no
    // removal of "." and ".." segments.
    curl_easy_setopt(curl, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
    curl_easy_setopt(curl, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(login.connectTimeout.count()));
    curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT,
                     WholeSecondsAtLeastOne(login.receiveTimeout));

    if (const CURLcode code = LogIn(*impl, login.connectTimeout); code != CURLE_OK) {
        ThrowInternetException(ErrorText(*impl, code));
    }
    return std::make_unique<CFtpConnection>(std::move(impl),
                                            static_cast<DWORD>(login.receiveTimeout.count()),
                                            static_cast<DWORD>(login.maxFileSize));
}

TransferResult RunTransfer(CFtpConnection::Impl& connection, const std::string& remote,
                           std::uint64_t maxFileSize, Milliseconds limit, TransferSink& sink) {
    Transfer transfer{&sink};
    CURL* curl = connection.curl.get();
    const std::string url = FtpFileUrl(connection.serverUrl, remote);
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_NOBODY, 0L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(limit.count()));
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(maxFileSize));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteToSink);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, AskToGiveUp);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    connection.errorText[0] = '\0';
    const CURLcode code = curl_easy_perform(curl);

    // Nothing may point at this frame once it is gone (closing still talks to the server).
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Discard);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, nullptr);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 1L);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, nullptr);

    if (code == CURLE_ABORTED_BY_CALLBACK && transfer.gaveUp) return {TransferEnd::kGivenUp, {}};
    if (code == CURLE_OPERATION_TIMEDOUT) {
        return {TransferEnd::kTimedOut, ErrorText(connection, code)};
    }
    return {code == CURLE_OK ? TransferEnd::kComplete : TransferEnd::kFailed, {}};
}

}  // namespace framework::backend
