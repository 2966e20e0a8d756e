// How long a download may hold its caller. The launcher fetches before any window opens, so
// every bound here is time the user waits at the start; each is stated once, here.
#pragma once

#include <chrono>

namespace framework::fetch_bounds {

// The connect time-out is the caller's (INTERNET_OPTION_CONNECT_TIMEOUT): it bounds one try at
// the server, its greeting and the log-in included. Each of the server's addresses is tried
// once within it, so a refused connection fails at once and a silent server costs one time-out.

// A transfer that receives nothing for this long has stalled. It is the usual receive time-out
// of the system's FTP layer, and long enough for a slow link to deliver its next packet.
inline constexpr std::chrono::milliseconds kReceiveLimit{30'000};

// The whole download, from its request to its last byte. A version file is a few hundred bytes,
// which any working link delivers in well under a second; a server that keeps the transfer alive
// with a byte now and then must still not hold the start for minutes. Longer than the receive
// limit, so that a stall is reported as a stall.
inline constexpr std::chrono::milliseconds kTransferLimit{40'000};

}  // namespace framework::fetch_bounds
