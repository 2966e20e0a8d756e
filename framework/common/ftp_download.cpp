// Downloading a file over an FTP connection: which requests are accepted, where the file is
// written until it is whole, and when a transfer counts as failed or timed out.
#include <chrono>
#include <cstdint>
#include <new>
#include <string>

#include "backend/internet.h"
#include "fetch_bounds.h"
#include "framework/files.h"
#include "framework/internet.h"
#include "internet_errors.h"
#include "replacing_file.h"

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::milliseconds;

namespace {

// Writes what arrives into the temporary file, keeping the size bound on it, and gives up
// when nothing has arrived for the receive limit.
class DownloadSink final : public framework::backend::TransferSink {
public:
    DownloadSink(framework::ReplacingFile& file, Milliseconds receiveTimeout,
                 std::uint64_t maxFileSize)
        : m_file(file), m_receiveTimeout(receiveTimeout), m_maxFileSize(maxFileSize) {}

    bool Receive(const char* data, std::size_t size) override {
        m_lastData = Clock::now();
        // The size the server announces is checked before the transfer, but a server may
        // announce none, so the bound is also kept on what arrives: nothing beyond it is
        // ever written.
        if (m_maxFileSize != 0 && size > m_maxFileSize - m_received) return false;
        m_received += size;
        return m_file.Write(data, size);
    }

    bool GiveUp() override {
        m_stalled = Clock::now() - m_lastData > m_receiveTimeout;
        return m_stalled;
    }

    bool stalled() const { return m_stalled; }
    Milliseconds receiveTimeout() const { return m_receiveTimeout; }

private:
    framework::ReplacingFile& m_file;
    Milliseconds m_receiveTimeout;
    std::uint64_t m_maxFileSize;  // 0: no bound
    Clock::time_point m_lastData = Clock::now();
    std::uint64_t m_received = 0;
    bool m_stalled = false;
};

bool Download(CFtpConnection::Impl& connection, const char* remoteFile, const char* localFile,
              bool replace, Milliseconds receiveTimeout, std::uint64_t maxFileSize) {
    // A path ending in a slash names a folder, which is listed, not fetched.
    const std::string remote = remoteFile != nullptr ? remoteFile : "";
    if (remote.empty() || remote.back() == '/') return false;
    if (localFile == nullptr || localFile[0] == '\0') return false;

    const DWORD attributes = GetFileAttributesA(localFile);
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || !replace) return false;
    }

    framework::ReplacingFile file(localFile);
    if (!file.ok()) return false;

    DownloadSink sink(file, receiveTimeout, maxFileSize);
    const framework::backend::TransferResult result = framework::backend::RunTransfer(
        connection, remote, maxFileSize, framework::fetch_bounds::kTransferLimit, sink);
    // A server that stalls or trickles is a failure of the server, not of the file: it is
    // reported like a failed connection.
    if (result.end == framework::backend::TransferEnd::kGivenUp && sink.stalled()) {
        framework::ThrowInternetException(
            "No data from the server for " + std::to_string(receiveTimeout.count() / 1000) + " s");
    }
    if (result.end == framework::backend::TransferEnd::kTimedOut) {
        framework::ThrowInternetException(result.error);
    }
    return result.end == framework::backend::TransferEnd::kComplete && file.Commit(replace);
}

}  // namespace

BOOL CFtpConnection::GetFile(const char* remoteFile, const char* localFile, BOOL failIfExists,
                             DWORD attributes, DWORD flags, DWORD) {
    if (!m_impl) return FALSE;
    if (attributes != FILE_ATTRIBUTE_NORMAL || flags != FTP_TRANSFER_TYPE_BINARY) return FALSE;
    try {
        // A transfer that runs out of time throws CInternetException*, which passes on.
        return Download(*m_impl, remoteFile, localFile, !failIfExists,
                        Milliseconds(m_receiveTimeout), m_maxFileSize)
                   ? TRUE
                   : FALSE;
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
}
