// The system's internet layer: the session and FTP settings the launcher names.
#pragma once

#include "framework/sdk/base.h"

// The system's proxy settings (here the usual proxy environment variables).
inline constexpr DWORD INTERNET_OPEN_TYPE_PRECONFIG = 0;

// Milliseconds for reaching the server, its greeting and the log-in. Each of the server's
// addresses is tried once within it.
inline constexpr DWORD INTERNET_OPTION_CONNECT_TIMEOUT = 2;
// How many of the server's addresses are tried, and the pause between two of them. They are
// accepted and have no effect here: every address is tried once, without a pause, within the
// connect time-out.
inline constexpr DWORD INTERNET_OPTION_CONNECT_RETRIES = 3;
inline constexpr DWORD INTERNET_OPTION_CONNECT_BACKOFF = 4;
// Milliseconds a transfer may go without receiving anything before it fails.
inline constexpr DWORD INTERNET_OPTION_RECEIVE_TIMEOUT = 6;

inline constexpr DWORD INTERNET_FLAG_PASSIVE = 0x08000000;

inline constexpr DWORD FTP_TRANSFER_TYPE_BINARY = 2;

inline constexpr int INTERNET_DEFAULT_FTP_PORT = 21;
