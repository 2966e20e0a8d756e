// The version file fetch's cases against a real FTP server on the build's update server port,
// shared by the tests of every backend's fetch, with what differs on Wine written down where it
// differs. Included once, by a test program's own file.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "error_line.h"
#include "ftp_server.h"
#include "temp_folder.h"
#include "version_file_fetch.h"
#ifndef _WIN32
#include "scoped_env.h"
#endif

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kPort = QUILLBECK_UPDATE_PORT_FOR_TESTS;
#ifdef _WIN32
const std::string kSeparator = "\\";
#else
const std::string kSeparator = "/";
#endif
constexpr char kRemotePath[] = "/Nolva Client/Version.ini";
constexpr char kServerCopy[] = "[Version Info]\r\nVersion=1.1.1174.0\r\nFileName=Nolva.exe\r\n";

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::vector<std::string> EntriesOf(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

struct Outcome {
    int result;
    std::string out;  // what went to standard output
    double seconds;
};

class DownloadVersionFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        MakeFolders(m_root / "Nolva Client");
        WriteFile(m_root / ("Nolva Client" + kSeparator + "Version.ini"), kServerCopy);
        MakeFolders(m_appData.path());
    }

    Outcome Fetch(const std::string& remotePath) {
        const auto start = Clock::now();
        ::testing::internal::CaptureStdout();
        const int result = DownloadVersionFile(remotePath, m_localCopy);
        return {result, ::testing::internal::GetCapturedStdout(), SecondsSince(start)};
    }

#ifndef _WIN32
    // No proxy from the developer's environment between the fetch and the server.
    ScopedEnv m_noFtpProxy{"ftp_proxy", std::nullopt};
    ScopedEnv m_noAllProxy{"all_proxy", std::nullopt};
    ScopedEnv m_noAllProxyUpper{"ALL_PROXY", std::nullopt};
#endif
    TempFolder m_root;
    TempFolder m_appData;
    const std::string m_localCopy = m_appData / "Version.ini";
};

TEST_F(DownloadVersionFileTest, FetchesWithTheAccountInPassiveBinaryModeAndReplacesTheOldCopy) {
    WriteFile(m_localCopy, "old copy from an earlier start");
    FtpServer server(m_root.path(), kPort);

    const Outcome outcome = Fetch(kRemotePath);

    EXPECT_EQ(outcome.result, 1);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(ReadFile(m_localCopy), kServerCopy);
    EXPECT_THAT(EntriesOf(m_appData.path()), ElementsAre("Version.ini"));
    const auto commands = server.Commands();
    EXPECT_THAT(commands, Contains("USER tolvemar"));
    EXPECT_THAT(commands, Contains("PASS BenKORVA47@2"));
    EXPECT_THAT(commands, Contains("PASV"));
    EXPECT_THAT(commands, Not(Contains(StartsWith("EPSV"))));
    EXPECT_THAT(commands, Contains("TYPE I"));
#ifdef _WIN32
    // The whole exchange, in order. Wine's FTP layer closes the control connection without
    // sending QUIT (Windows' sends it), so the transfer is the last command seen here.
    EXPECT_THAT(commands, ElementsAre("USER tolvemar", "PASS BenKORVA47@2", "TYPE I", "PASV",
                                      "RETR /Nolva Client/Version.ini"));
#else
    EXPECT_THAT(commands, Contains("RETR /Nolva Client/Version.ini"));
    // Connection and session are closed before the call returns.
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(commands.back(), "QUIT");
#endif
    EXPECT_EQ(server.Connections(), 1);
}

TEST_F(DownloadVersionFileTest, AFileTheServerLacksGivesZeroSilentlyAndNoLocalCopy) {
    fs::remove(m_root / ("Nolva Client" + kSeparator + "Version.ini"));
    WriteFile(m_localCopy, "old copy from an earlier start");
    FtpServer server(m_root.path(), kPort);

    const Outcome outcome = Fetch(kRemotePath);

    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.out, "");
    // The server was asked for the path, and refused it (before or at RETR).
    EXPECT_THAT(server.Commands(), Contains(EndsWith(" /Nolva Client/Version.ini")));
    EXPECT_THAT(EntriesOf(m_appData.path()), IsEmpty());
}

TEST_F(DownloadVersionFileTest, AFailedConnectionOrLogInWritesOneErrorLine) {
    struct Case {
        const char* name;
        std::optional<std::vector<std::string>> server;  // none: nothing listens on the port
        int connections;                                 // -1: not counted
        double atLeast;                                  // seconds
        double below;
    };
    const Case cases[] = {
        // The server has one address, so whatever the retry options say it is tried once:
        // a failure that comes at once ends the fetch at once.
        {"rejected log-in", std::vector<std::string>{"--refuse-login"}, 1, 0.0, 0.9},
        {"connection closed at once", std::vector<std::string>{"--accept-and-close"}, 1, 0.0, 0.9},
        {"connection refused", std::nullopt, -1, 0.0, 0.9},
        // A server that never greets costs one connect time-out (5000 ms).
        {"never greets", std::vector<std::string>{"--never-greet"}, 1, 4.9, 7.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(m_localCopy, "old copy from an earlier start");
        std::optional<FtpServer> server;
        if (c.server) server.emplace(m_root.path(), kPort, *c.server);

        const Outcome outcome = Fetch(kRemotePath);

        EXPECT_EQ(outcome.result, 0);
        EXPECT_THAT(outcome.out, IsOneErrorLine());
        EXPECT_GE(outcome.seconds, c.atLeast);
        EXPECT_LT(outcome.seconds, c.below);
        EXPECT_THAT(EntriesOf(m_appData.path()), IsEmpty());
        if (server && c.connections >= 0) {
            EXPECT_EQ(server->Connections(), c.connections);
            EXPECT_THAT(server->Commands(), Not(Contains(StartsWith("RETR"))));
        }
    }
}

TEST_F(DownloadVersionFileTest, AnEmptyRemotePathGivesZeroAndTouchesNothing) {
    WriteFile(m_localCopy, "old copy from an earlier start");
    FtpServer server(m_root.path(), kPort);

    const Outcome outcome = Fetch("");

    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(ReadFile(m_localCopy), "old copy from an earlier start");
    EXPECT_EQ(server.Connections(), 0);
}

TEST_F(DownloadVersionFileTest, AFolderAtTheLocalPathStaysAndGivesZero) {
    MakeFolders(m_localCopy);
    WriteFile(m_localCopy + kSeparator + "inside.txt", "kept");
    FtpServer server(m_root.path(), kPort);

    const Outcome outcome = Fetch(kRemotePath);

    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(ReadFile(m_localCopy + kSeparator + "inside.txt"), "kept");
    EXPECT_THAT(EntriesOf(m_appData.path()), ElementsAre("Version.ini"));
}

TEST_F(DownloadVersionFileTest, AFileOfMoreThanOneMebibyteIsRefusedAndNothingOfItIsKept) {
    constexpr int kMebibyte = 1024 * 1024;
    struct Case {
        int size;
        bool announced;  // whether the server answers SIZE
        int result;
    };
    const Case cases[] = {
        {kMebibyte, true, 1},
        {kMebibyte + 1, true, 0},
        {kMebibyte, false, 1},
        {kMebibyte + 1, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.size) + (c.announced ? " announced" : " not announced"));
        WriteFile(m_localCopy, "old copy from an earlier start");
        std::vector<std::string> faults = {"--huge", std::to_string(c.size)};
        if (!c.announced) faults.push_back("--no-size");
        FtpServer server(m_root.path(), kPort, faults);

        const Outcome outcome = Fetch(kRemotePath);

        EXPECT_EQ(outcome.result, c.result);
        EXPECT_EQ(outcome.out, "");
        if (c.result == 1) {
            EXPECT_THAT(EntriesOf(m_appData.path()), ElementsAre("Version.ini"));
            EXPECT_EQ(fs::file_size(m_localCopy), static_cast<std::uintmax_t>(c.size));
        } else {
            EXPECT_THAT(EntriesOf(m_appData.path()), IsEmpty());
        }
    }
}

TEST_F(DownloadVersionFileTest, AServerThatStallsMidTransferEndsTheFetchAtTheReceiveLimit) {
    WriteFile(m_localCopy, "old copy from an earlier start");
    FtpServer server(m_root.path(), kPort, {"--stall-data"});

    const Outcome outcome = Fetch(kRemotePath);

    // 30 s without data, measured from the last byte received: a failure of the server,
    // reported like a failed connection.
    EXPECT_EQ(outcome.result, 0);
    EXPECT_THAT(outcome.out, IsOneErrorLine());
    EXPECT_GE(outcome.seconds, 29.5);
    EXPECT_LT(outcome.seconds, 40.0);
    EXPECT_THAT(EntriesOf(m_appData.path()), IsEmpty());
}

}  // namespace
