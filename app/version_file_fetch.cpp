#include "version_file_fetch.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

#include "file_deletion.h"
#include "framework/internet.h"

namespace {

constexpr DWORD kContext = 1;
constexpr DWORD kConnectTimeoutMs = 5000;
constexpr DWORD kConnectBackoffMs = 1000;
constexpr DWORD kConnectRetries = 2;
// The version file is a few lines of text; anything larger is not one, and a hostile or
// broken server must not fill the user's disk with it.
constexpr DWORD kMaxVersionFileSize = 1024 * 1024;
constexpr UINT kMessageBufferSize = 1024;

void SetSessionOption(CInternetSession& session, DWORD option, DWORD value) {
    session.SetOption(option, &value, sizeof(value), 0);
}

// The one trace a failure of the FTP layer leaves; frees the exception.
void ReportAndDelete(CInternetException* exception) {
    char message[kMessageBufferSize];
    std::memset(message, 0, sizeof(message));
    exception->GetErrorMessage(message, kMessageBufferSize, nullptr);
    std::printf("ERROR!  %s\n", message);
    std::fflush(stdout);
    exception->Delete();
}

}  // namespace

int DownloadVersionFile(const CString& remotePath, const CString& localPath) {
    if (remotePath.empty()) return 0;

    // An old copy must not survive a fetch that fails. A folder is left alone.
    DeleteFileIfThere(localPath);

    const CString server = QUILLBECK_UPDATE_SERVER;
    const CString userName = QUILLBECK_UPDATE_USER;
    const CString password = QUILLBECK_UPDATE_PASSWORD;

    // Nothing above the fetch handles a session that cannot be opened, and the start-up
    // must go on to the main window: it counts as a failed fetch, reported like the others.
    std::optional<CInternetSession> session;
    try {
        session.emplace(nullptr, kContext, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    } catch (CInternetException* exception) {
        ReportAndDelete(exception);
        return 0;
    }

    int result = 1;
    std::unique_ptr<CFtpConnection> connection;
    try {
        SetSessionOption(*session, INTERNET_OPTION_CONNECT_TIMEOUT, kConnectTimeoutMs);
        SetSessionOption(*session, INTERNET_OPTION_CONNECT_BACKOFF, kConnectBackoffMs);
        SetSessionOption(*session, INTERNET_OPTION_CONNECT_RETRIES, kConnectRetries);
        SetSessionOption(*session, INTERNET_OPTION_MAX_FILE_SIZE, kMaxVersionFileSize);
        connection.reset(session->GetFtpConnection(server.c_str(), userName.c_str(),
                                                   password.c_str(), QUILLBECK_UPDATE_PORT, TRUE));
        if (!connection->GetFile(remotePath.c_str(), localPath.c_str(), FALSE,
                                 FILE_ATTRIBUTE_NORMAL, FTP_TRANSFER_TYPE_BINARY, kContext)) {
            result = 0;
        }
    } catch (CInternetException* exception) {
        ReportAndDelete(exception);
        result = 0;
    }

    if (connection) {
        connection->Close();
        connection.reset();
        session->Close();
    }
    // The session's destructor closes it on the road without a connection.
    return result;
}
