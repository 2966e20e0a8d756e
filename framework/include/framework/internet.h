// FTP over the system's internet layer: a session, its FTP connections and its exception.
#pragma once

#include <memory>
#include <utility>

#include "framework/exception.h"
#include "framework/types.h"

// The session, option and transfer names of the system's internet layer come from the
// backend's system interface.

// This layer's own option, with a code far from the system's: the largest file, in bytes,
// that GetFile accepts. A larger one fails the download, which ends as soon as more than
// that has arrived (at once when the server announces the size), and nothing of it stays
// on disk. 0, the default, sets no bound.
inline constexpr DWORD INTERNET_OPTION_MAX_FILE_SIZE = 0x80000001;

// A failure of the internet layer; its message is the layer's own error text.
class CInternetException : public CException {
public:
    explicit CInternetException(CString message) : m_message(std::move(message)) {}

    // Copies the message into buffer, cut to size - 1 bytes and always terminated when
    // size > 0. TRUE when there was a message to copy. helpContext, when given, gets 0.
    BOOL GetErrorMessage(char* buffer, UINT size, UINT* helpContext = nullptr) const;

private:
    CString m_message;
};

class CFtpConnection {
public:
    struct Impl;  // the backend's open connection
    // receiveTimeout in milliseconds; maxFileSize in bytes, 0 for no bound.
    CFtpConnection(std::unique_ptr<Impl> impl, DWORD receiveTimeout, DWORD maxFileSize);
    virtual ~CFtpConnection();
    CFtpConnection(const CFtpConnection&) = delete;
    CFtpConnection& operator=(const CFtpConnection&) = delete;

    // Downloads remoteFile, a path passed to the server exactly as given, into localFile.
    // The local file appears only when the whole file has arrived, readable and writable by
    // its owner whatever the umask: an existing file is replaced then (unless failIfExists),
    // and on any failure the path is left as it was. It is written first to the hidden name
    // ".<name>.download" beside it, which every call removes before it starts and no failure
    // leaves behind. Only an ordinary file (FILE_ATTRIBUTE_NORMAL) and a binary transfer are
    // known: other attributes or flags give FALSE. A failed download gives FALSE, but one that
    // runs out of time (the receive limit, or the whole transfer's bound: both in
    // fetch_bounds.h) throws CInternetException*.
    BOOL GetFile(const char* remoteFile, const char* localFile, BOOL failIfExists = TRUE,
                 DWORD attributes = FILE_ATTRIBUTE_NORMAL, DWORD flags = FTP_TRANSFER_TYPE_BINARY,
                 DWORD context = 1);

    // Logs out and closes the connection; closing twice does no harm.
    virtual void Close();

private:
    std::unique_ptr<Impl> m_impl;  // nullptr once closed
    DWORD m_receiveTimeout;
    DWORD m_maxFileSize;
};

class CInternetSession {
public:
    // agent nullptr: the application's name. Only the system's proxy settings and
    // synchronous operation are known: another access type, a proxy name or bypass list,
    // or any flag opens no session. Throws CInternetException* when no session opens.
    explicit CInternetSession(const char* agent = nullptr, DWORD context = 1,
                              DWORD accessType = INTERNET_OPEN_TYPE_PRECONFIG,
                              const char* proxyName = nullptr, const char* proxyBypass = nullptr,
                              DWORD flags = 0);
    virtual ~CInternetSession();
    CInternetSession(const CInternetSession&) = delete;
    CInternetSession& operator=(const CInternetSession&) = delete;

    // Sets a 4-byte option for the connections opened afterwards. FALSE for an unknown
    // option or a value that is not 4 bytes long.
    BOOL SetOption(DWORD option, void* value, DWORD length, DWORD flags = 0);

    // Connects and logs in, once, within the connect time-out. The caller owns the
    // connection. Throws CInternetException* when no connection could be made or the log-in
    // was refused.
    CFtpConnection* GetFtpConnection(const char* server, const char* userName = nullptr,
                                     const char* password = nullptr,
                                     int port = INTERNET_DEFAULT_FTP_PORT, BOOL passive = FALSE);

    // Closing twice does no harm.
    virtual void Close();

private:
    CString m_agent;
    // The usual defaults of an FTP layer, for a session that sets no options.
    DWORD m_connectTimeout = 60000;
    DWORD m_receiveTimeout;  // the layer's receive limit until an option sets it
    DWORD m_maxFileSize = 0;
    bool m_open = true;
};
