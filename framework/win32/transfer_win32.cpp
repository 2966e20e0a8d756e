// A file's transfer over WinINet. A stalled transfer can hold FtpOpenFileA and
// InternetReadFile for as long as the server likes, and closing the handles from another
// thread need not free them: the reads run on a worker thread, and the caller hands what
// arrives to the sink, asks it to give up and keeps the whole-transfer limit on its own clock.
// Only the caller writes, so a transfer it gives up on never reaches the file.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

#include "backend/internet.h"
#include "internet_handle.h"
#include "internet_message.h"

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::milliseconds;
using framework::win32::FtpHandles;
using framework::win32::InternetHandle;

namespace {

// The sink is asked more often than once a second, so a late wake-up still keeps the promise.
constexpr Milliseconds kAskEvery{250};
constexpr DWORD kChunk = 16 * 1024;

enum class Stage { kRunning, kComplete, kFailed };

// Shared by the caller and the worker; whichever lets go last frees it.
struct TransferState {
    std::shared_ptr<FtpHandles> handles;
    std::string remote;
    std::uint64_t maxFileSize = 0;

    std::mutex mutex;
    std::condition_variable changed;
    std::string pending;  // arrived, not yet handed to the sink
    Stage stage = Stage::kRunning;
    bool stop = false;  // the caller has left
};

// The size the server announces, when it announces one.
bool AnnouncedSize(HINTERNET file, std::uint64_t& size) {
    DWORD high = 0;
    SetLastError(NO_ERROR);
    const DWORD low = FtpGetFileSize(file, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return false;
    size = (static_cast<std::uint64_t>(high) << 32) | low;
    return true;
}

// Reads the file into the state's pending bytes. kRunning when the caller left meanwhile.
Stage Read(TransferState& state, HINTERNET file) {
    if (file == nullptr) return Stage::kFailed;
    std::uint64_t size = 0;
    if (state.maxFileSize != 0 && AnnouncedSize(file, size) && size > state.maxFileSize) {
        return Stage::kFailed;
    }
    std::uint64_t received = 0;
    char buffer[kChunk];
    for (;;) {
        DWORD read = 0;
        if (!InternetReadFile(file, buffer, sizeof(buffer), &read)) return Stage::kFailed;
        if (read == 0) return Stage::kComplete;
        received += read;
        std::lock_guard lock(state.mutex);
        if (state.stop) return Stage::kRunning;
        state.pending.append(buffer, read);
        state.changed.notify_all();
        // What lies past the bound is handed over for the sink to refuse; nothing more is read.
        if (state.maxFileSize != 0 && received > state.maxFileSize) return Stage::kFailed;
    }
}

void Fetch(const std::shared_ptr<TransferState>& state) {
    Stage end = Stage::kFailed;
    {
        // Closing the file waits for the server's reply to the transfer, while the caller
        // still keeps its bounds.
        InternetHandle file(FtpOpenFileA(state->handles->connection.get(), state->remote.c_str(),
                                         GENERIC_READ, FTP_TRANSFER_TYPE_BINARY, 0));
        end = Read(*state, file.get());
    }
    if (end == Stage::kRunning) return;
    std::lock_guard lock(state->mutex);
    // The connection is the caller's alone again, so that closing it logs out at once.
    state->handles.reset();
    state->stage = end;
    state->changed.notify_all();
}

void Leave(TransferState& state) {
    std::lock_guard lock(state.mutex);
    state.stop = true;
    state.pending.clear();
}

}  // namespace

namespace framework::backend {

TransferResult RunTransfer(CFtpConnection::Impl& connection, const std::string& remote,
                           std::uint64_t maxFileSize, Milliseconds limit, TransferSink& sink) {
    const Clock::time_point deadline = Clock::now() + limit;
    auto state = std::make_shared<TransferState>();
    state->handles = connection.handles;
    state->remote = remote;
    state->maxFileSize = maxFileSize;
    try {
        std::thread(Fetch, state).detach();
    } catch (const std::system_error&) {
        return {TransferEnd::kFailed, {}};
    }

    std::unique_lock lock(state->mutex);
    for (;;) {
        const Clock::time_point wake = std::min(Clock::now() + kAskEvery, deadline);
        state->changed.wait_until(
            lock, wake, [&] { return !state->pending.empty() || state->stage != Stage::kRunning; });
        std::string data;
        data.swap(state->pending);
        const Stage stage = state->stage;
        lock.unlock();

        if (!data.empty() && !sink.Receive(data.data(), data.size())) {
            Leave(*state);
            return {TransferEnd::kFailed, {}};
        }
        if (stage == Stage::kComplete) return {TransferEnd::kComplete, {}};
        if (stage == Stage::kFailed) return {TransferEnd::kFailed, {}};
        if (sink.GiveUp()) {
            Leave(*state);
            return {TransferEnd::kGivenUp, {}};
        }
        if (Clock::now() >= deadline) {
            Leave(*state);
            return {TransferEnd::kTimedOut,
                    framework::win32::InternetErrorText(ERROR_INTERNET_TIMEOUT, {})};
        }
        lock.lock();
    }
}

}  // namespace framework::backend
