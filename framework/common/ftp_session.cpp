// The internet session: which settings it accepts, and the connections it opens with them.
#include <chrono>
#include <cstring>
#include <memory>

#include "backend/internet.h"
#include "fetch_bounds.h"
#include "framework/app.h"
#include "framework/internet.h"
#include "internet_errors.h"

using framework::ThrowInternetException;

CInternetSession::CInternetSession(const char* agent, DWORD, DWORD accessType,
                                   const char* proxyName, const char* proxyBypass, DWORD flags)
    : m_receiveTimeout(static_cast<DWORD>(framework::fetch_bounds::kReceiveLimit.count())) {
    const bool hasProxy = proxyName != nullptr && proxyName[0] != '\0';
    const bool hasBypass = proxyBypass != nullptr && proxyBypass[0] != '\0';
    if (accessType != INTERNET_OPEN_TYPE_PRECONFIG || hasProxy || hasBypass || flags != 0) {
        ThrowInternetException("Unsupported session settings");
    }
    if (CString error; !framework::backend::InternetReady(error)) ThrowInternetException(error);
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
            // They count and space the tries at the server's addresses; each address is tried
            // once within the connect time-out, so they have nothing left to set.
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
    const framework::backend::FtpLogin login{server,
                                             userName,
                                             password,
                                             port,
                                             passive != FALSE,
                                             m_agent,
                                             std::chrono::milliseconds(m_connectTimeout),
                                             std::chrono::milliseconds(m_receiveTimeout),
                                             m_maxFileSize};
    // The caller owns the connection and deletes it.
    return framework::backend::OpenFtpConnection(login).release();
}
