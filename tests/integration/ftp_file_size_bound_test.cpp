// The FTP layer's bound on the size of a downloaded file, against a real pyftpdlib server
// on an ephemeral loopback port.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/files.h"
#include "framework/internet.h"
#include "ftp_server.h"
#include "scoped_env.h"
#include "temp_folder.h"

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;
using Clock = std::chrono::steady_clock;

namespace {

constexpr DWORD kBound = 1000;

std::vector<std::string> EntriesOf(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

class FtpFileSizeBoundTest : public ::testing::Test {
protected:
    void SetUp() override { MakeFolders(m_local / "out"); }

    void SetOption(DWORD option, DWORD value) {
        ASSERT_TRUE(m_session.SetOption(option, &value, sizeof(value), 0));
    }

    std::unique_ptr<CFtpConnection> Connect(const FtpServer& server) {
        try {
            return std::unique_ptr<CFtpConnection>(m_session.GetFtpConnection(
                "127.0.0.1", "tolvemar", "BenKORVA47@2", server.port(), TRUE));
        } catch (CInternetException* exception) {
            exception->Delete();
            ADD_FAILURE() << "GetFtpConnection threw";
            return nullptr;
        }
    }

    std::string Local(const std::string& name) const { return m_local / ("out/" + name); }

    ScopedEnv m_noFtpProxy{"ftp_proxy", std::nullopt};
    ScopedEnv m_noAllProxy{"all_proxy", std::nullopt};
    ScopedEnv m_noAllProxyUpper{"ALL_PROXY", std::nullopt};
    TempFolder m_root;
    TempFolder m_local;
    CInternetSession m_session;
};

TEST_F(FtpFileSizeBoundTest, AFileUpToTheBoundArrivesAndALargerOneLeavesTheOldCopyAlone) {
    struct Case {
        std::size_t size;
        bool announced;  // whether the server answers SIZE
        bool accepted;
    };
    const Case cases[] = {
        {kBound, true, true},
        {kBound + 1, true, false},  // refused at the announced size
        {kBound, false, true},
        {kBound + 1, false, false},  // refused once the byte past the bound arrives
        {20 * kBound, false, false},
    };
    SetOption(INTERNET_OPTION_MAX_FILE_SIZE, kBound);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.size) + (c.announced ? " announced" : " not announced"));
        const std::string content(c.size, 'v');
        WriteFile(m_root / "file.bin", content);
        WriteFile(Local("file.bin"), "old copy");
        std::vector<std::string> faults;
        if (!c.announced) faults.push_back("--no-size");
        FtpServer server(m_root.path(), 0, faults);
        auto connection = Connect(server);
        ASSERT_TRUE(connection);

        const BOOL fetched = connection->GetFile("/file.bin", Local("file.bin").c_str(), FALSE);

        EXPECT_EQ(fetched, c.accepted ? TRUE : FALSE);
        EXPECT_EQ(ReadFile(Local("file.bin")), c.accepted ? content : "old copy");
        // No temporary file stays behind.
        EXPECT_THAT(EntriesOf(m_local / "out"), ElementsAre("file.bin"));
        if (c.announced && !c.accepted) {
            // An announced size over the bound is refused before any data is asked for.
            EXPECT_THAT(server.Commands(), Not(Contains(StartsWith("RETR"))));
        }
    }
}

TEST_F(FtpFileSizeBoundTest, TheTransferEndsOnceMoreThanTheBoundHasArrived) {
    // A server that announces no size, sends a little past the bound of a huge file and then
    // holds the data connection open: only the bound can end the transfer before the
    // receive limit. With exactly the bound sent, the receive limit has to end it.
    struct Case {
        DWORD sent;
        DWORD receiveTimeout;
        double atLeast;  // seconds
        double below;
    };
    const Case cases[] = {
        {kBound + 1, 20000, 0.0, 5.0},
        {kBound, 2000, 1.9, 6.0},
    };
    SetOption(INTERNET_OPTION_MAX_FILE_SIZE, kBound);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sent);
        SetOption(INTERNET_OPTION_RECEIVE_TIMEOUT, c.receiveTimeout);
        FtpServer server(m_root.path(), 0,
                         {"--no-size", "--huge", std::to_string(50 * 1024 * 1024), "--stall-after",
                          std::to_string(c.sent)});
        auto connection = Connect(server);
        ASSERT_TRUE(connection);
        const auto start = Clock::now();

        EXPECT_FALSE(connection->GetFile("/huge.bin", Local("huge.bin").c_str(), FALSE));

        const double elapsed = SecondsSince(start);
        EXPECT_GE(elapsed, c.atLeast);
        EXPECT_LT(elapsed, c.below);
        EXPECT_THAT(EntriesOf(m_local / "out"), IsEmpty());
    }
}

TEST_F(FtpFileSizeBoundTest, ZeroSetsNoBound) {
    SetOption(INTERNET_OPTION_MAX_FILE_SIZE, kBound);
    SetOption(INTERNET_OPTION_MAX_FILE_SIZE, 0);
    FtpServer server(m_root.path(), 0, {"--no-size", "--huge", std::to_string(3 * 1024 * 1024)});
    auto connection = Connect(server);
    ASSERT_TRUE(connection);
    ASSERT_TRUE(connection->GetFile("/huge.bin", Local("huge.bin").c_str(), FALSE));
    EXPECT_EQ(fs::file_size(Local("huge.bin")), 3u * 1024 * 1024);
}

}  // namespace
