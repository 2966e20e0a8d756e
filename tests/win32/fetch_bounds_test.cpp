// ctest-resource-lock: update_server
// The fetch's own bounds against servers that keep a transfer alive: the system's FTP layer
// honours none of its time-outs here, so only the launcher's bounds end these fetches.
#include "fetch_bounds.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "error_line.h"
#include "ftp_server.h"
#include "temp_folder.h"
#include "version_file_fetch.h"

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::IsEmpty;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kPort = QUILLBECK_UPDATE_PORT_FOR_TESTS;

double Seconds(std::chrono::milliseconds duration) {
    return std::chrono::duration<double>(duration).count();
}

std::vector<std::string> EntriesOf(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

TEST(FetchBounds, ATransferKeptAliveEndsAtItsBoundAndLeavesNoFile) {
    const double receive = Seconds(framework::fetch_bounds::kReceiveLimit);
    const double whole = Seconds(framework::fetch_bounds::kTransferLimit);
    struct Case {
        const char* what;
        std::vector<std::string> faults;
        double atLeast;
        double below;
    };
    const Case cases[] = {
        // A byte a second of a 60-byte file: alive all along, so only the whole bound ends it.
        {"trickling", {"--trickle", "1"}, whole - 0.5, whole + 5.0},
        // Some bytes, then silence: the receive limit, counted from the last byte.
        {"stalling after a few bytes", {"--stall-after", "20"}, receive - 0.5, receive + 5.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder root;
        TempFolder appData;
        MakeFolders(root / "Nolva Client");
        WriteFile(root / "Nolva Client\\Version.ini", std::string(60, 'v'));
        FtpServer server(root.path(), kPort, c.faults);

        const auto start = Clock::now();
        ::testing::internal::CaptureStdout();
        const int result =
            DownloadVersionFile("/Nolva Client/Version.ini", appData / "Version.ini");
        const std::string out = ::testing::internal::GetCapturedStdout();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();

        EXPECT_EQ(result, 0);
        EXPECT_THAT(out, IsOneErrorLine());
        EXPECT_GE(seconds, c.atLeast);
        EXPECT_LT(seconds, c.below);
        EXPECT_THAT(server.Commands(), Contains("RETR /Nolva Client/Version.ini"));
        // Neither the target nor the temporary file stays, although the worker that reads
        // may still be blocked in the system's FTP layer.
        EXPECT_THAT(EntriesOf(appData.path()), IsEmpty());
    }
}

}  // namespace
