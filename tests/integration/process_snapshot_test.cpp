#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

#include "child_process.h"
#include "framework/toolhelp.h"
#include "in_child.h"
#include "temp_folder.h"

namespace {

namespace fs = std::filesystem;

// Process id to name, walked from a snapshot as a caller walks it.
std::map<DWORD, std::string> Walk(HANDLE snapshot) {
    std::map<DWORD, std::string> names;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof(PROCESSENTRY32);
    for (BOOL more = Process32First(snapshot, &entry); more;
         more = Process32Next(snapshot, &entry)) {
        names[entry.th32ProcessID] = entry.szExeFile;
    }
    return names;
}

std::map<DWORD, std::string> WalkFreshSnapshot() {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPALL, 0);
    EXPECT_NE(snapshot, INVALID_HANDLE_VALUE);
    std::map<DWORD, std::string> names = Walk(snapshot);
    CloseHandle(snapshot);
    return names;
}

std::string OwnExecutableName() { return fs::read_symlink("/proc/self/exe").filename().string(); }

// A name no other test's process carries, even when tests run side by side.
std::string UniqueName(const std::string& stem) {
    return stem + "-" + std::to_string(getpid()) + ".exe";
}

std::string ProcState(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string::size_type close = stat.rfind(')');
    return close == std::string::npos || close + 2 >= stat.size() ? "" : stat.substr(close + 2, 1);
}

TEST(ProcessSnapshot, ListsTheCallingProcessUnderItsExecutablesName) {
    const std::map<DWORD, std::string> names = WalkFreshSnapshot();
    ASSERT_TRUE(names.contains(static_cast<DWORD>(getpid())));
    EXPECT_EQ(names.at(static_cast<DWORD>(getpid())), OwnExecutableName());
}

TEST(ProcessSnapshot, IsACopyOfTheMomentItWasTaken) {
    TempFolder folder;
    const HANDLE before = CreateToolhelp32Snapshot(TH32CS_SNAPALL, 0);
    ASSERT_NE(before, INVALID_HANDLE_VALUE);
    ChildProcess child(folder.path(), UniqueName("Moment"), {.arguments = {"--stay"}});
    ASSERT_TRUE(child.WaitUntilRunning());
    const DWORD childId = static_cast<DWORD>(child.pid());
    EXPECT_FALSE(Walk(before).contains(childId)) << "a process started after the snapshot";
    CloseHandle(before);

    const HANDLE during = CreateToolhelp32Snapshot(TH32CS_SNAPALL, 0);
    ASSERT_NE(during, INVALID_HANDLE_VALUE);
    child.KillAndReap();
    const std::map<DWORD, std::string> names = Walk(during);
    CloseHandle(during);
    ASSERT_TRUE(names.contains(childId)) << "a process that ended after the snapshot";
    EXPECT_EQ(names.at(childId), UniqueName("Moment"));
}

TEST(ProcessSnapshot, NamesAProcessWhoseFileWasDeletedWithoutTheSystemsSuffix) {
    TempFolder folder;
    ChildProcess child(folder.path(), UniqueName("Deleted"), {.arguments = {"--stay"}});
    ASSERT_TRUE(child.WaitUntilRunning());
    ASSERT_TRUE(fs::remove(child.path()));
    const std::map<DWORD, std::string> names = WalkFreshSnapshot();
    ASSERT_TRUE(names.contains(static_cast<DWORD>(child.pid())));
    EXPECT_EQ(names.at(static_cast<DWORD>(child.pid())), UniqueName("Deleted"));
}

TEST(ProcessSnapshot, LeavesOutAProcessThatHasEndedButIsNotCollectedYet) {
    TempFolder folder;
    ChildProcess child(folder.path(), UniqueName("Zombie"), {.arguments = {"--stay"}});
    ASSERT_TRUE(child.WaitUntilRunning());
    const pid_t pid = child.pid();
    ASSERT_TRUE(WalkFreshSnapshot().contains(static_cast<DWORD>(pid)));
    child.Kill();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (ProcState(pid) != "Z" && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_EQ(ProcState(pid), "Z");
    EXPECT_FALSE(WalkFreshSnapshot().contains(static_cast<DWORD>(pid)));
}

TEST(ProcessSnapshot, NamesKernelThreadsByTheirShortName) {
    // A kernel thread has no executable and no command line, only its short name.
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator("/proc", error)) {
        const std::string folder = entry.path().string();
        const std::string pidText = entry.path().filename().string();
        if (pidText.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream cmdline(folder + "/cmdline");
        std::ifstream comm(folder + "/comm");
        std::string commandLine((std::istreambuf_iterator<char>(cmdline)),
                                std::istreambuf_iterator<char>());
        std::string shortName;
        std::getline(comm, shortName);
        std::error_code linkError;
        (void)fs::read_symlink(folder + "/exe", linkError);
        if (!cmdline || !comm || !commandLine.empty() || !linkError || shortName.empty()) continue;
        if (ProcState(std::stoi(pidText)) == "Z") continue;

        const std::map<DWORD, std::string> names = WalkFreshSnapshot();
        const DWORD pid = static_cast<DWORD>(std::stoul(pidText));
        if (!names.contains(pid)) continue;  // it ended meanwhile
        EXPECT_EQ(names.at(pid), shortName) << "process " << pid;
        return;
    }
    GTEST_SKIP() << "no kernel thread is visible here";
}

TEST(ProcessSnapshot, NamesAProcessWhoseLinkCannotBeReadByItsFirstCommandWord) {
    if (!MayChangeUsersAndMounts()) GTEST_SKIP() << "needs the right to become another user";
    TempFolder folder;
    const std::string longName(300, 'L');
    ChildProcess shortOne(folder.path(), UniqueName("Hidden"),
                          {.arguments = {"--stay"}, .commandName = "/somewhere/Shown As"});
    ChildProcess longOne(folder.path(), UniqueName("Long"),
                         {.arguments = {"--stay"}, .commandName = "/somewhere/" + longName});
    ASSERT_TRUE(shortOne.WaitUntilRunning());
    ASSERT_TRUE(longOne.WaitUntilRunning());
    // Another user may not read the link of this user's processes, but their command line.
    const ChildOutcome outcome = RunInChild([&](std::string& output) {
        if (!BecomeNobody()) return 2;
        const std::map<DWORD, std::string> names = WalkFreshSnapshot();
        for (const pid_t pid : {shortOne.pid(), longOne.pid()}) {
            const auto found = names.find(static_cast<DWORD>(pid));
            output += (found != names.end() ? found->second : "(not listed)") + "\n";
        }
        return 0;
    });
    ASSERT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.output, "Shown As\n" + longName.substr(0, MAX_PATH - 1) + "\n");
}

TEST(ProcessSnapshot, WalksFromTheStartAgainAndStaysAtTheEnd) {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPALL, 0);
    ASSERT_NE(snapshot, INVALID_HANDLE_VALUE);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof(PROCESSENTRY32);
    ASSERT_TRUE(Process32First(snapshot, &entry));
    const DWORD first = entry.th32ProcessID;
    std::size_t count = 1;
    while (Process32Next(snapshot, &entry)) ++count;
    EXPECT_FALSE(Process32Next(snapshot, &entry));
    ASSERT_TRUE(Process32First(snapshot, &entry));
    EXPECT_EQ(entry.th32ProcessID, first);
    EXPECT_EQ(entry.dwSize, sizeof(PROCESSENTRY32));
    std::size_t again = 1;
    while (Process32Next(snapshot, &entry)) ++again;
    EXPECT_EQ(again, count);
    EXPECT_TRUE(CloseHandle(snapshot));
}

TEST(ProcessSnapshot, RefusesClosedAndMadeUpHandles) {
    const HANDLE closed = CreateToolhelp32Snapshot(TH32CS_SNAPALL, 0);
    ASSERT_NE(closed, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(closed));
    EXPECT_FALSE(CloseHandle(closed));
    int local = 0;
    for (const HANDLE handle : {closed, INVALID_HANDLE_VALUE, static_cast<HANDLE>(nullptr),
                                GetCurrentProcess(), static_cast<HANDLE>(&local)}) {
        PROCESSENTRY32 entry{};
        entry.dwSize = sizeof(PROCESSENTRY32);
        EXPECT_FALSE(Process32First(handle, &entry)) << handle;
        EXPECT_FALSE(Process32Next(handle, &entry)) << handle;
    }
    EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
    EXPECT_FALSE(CloseHandle(&local));
    EXPECT_TRUE(CloseHandle(GetCurrentProcess()));
}

TEST(ProcessSnapshot, RefusesARecordSmallerThanItsOwnSize) {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPALL, 0);
    ASSERT_NE(snapshot, INVALID_HANDLE_VALUE);
    for (const DWORD size : {DWORD{0}, DWORD{296}, DWORD{sizeof(PROCESSENTRY32) - 1}}) {
        if (size >= sizeof(PROCESSENTRY32)) continue;
        PROCESSENTRY32 entry{};
        entry.dwSize = size;
        EXPECT_FALSE(Process32First(snapshot, &entry)) << "dwSize " << size;
        EXPECT_FALSE(Process32Next(snapshot, &entry)) << "dwSize " << size;
        EXPECT_EQ(entry.szExeFile[0], '\0') << "dwSize " << size;
    }
    EXPECT_FALSE(Process32First(snapshot, nullptr));
    CloseHandle(snapshot);
}

TEST(ProcessSnapshot, WithoutTheProcessFlagHoldsNoProcesses) {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE | TH32CS_SNAPTHREAD, 0);
    ASSERT_NE(snapshot, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(Walk(snapshot).empty());
    EXPECT_TRUE(CloseHandle(snapshot));
}

TEST(ProcessSnapshot, IsRefusedWhenTheProcessListCannotBeRead) {
    if (!MayChangeUsersAndMounts()) GTEST_SKIP() << "needs the right to mount and change users";
    const ChildOutcome outcome = RunInChild([](std::string&) {
        if (!HideProcessList() || !BecomeNobody()) return 2;
        return CreateToolhelp32Snapshot(TH32CS_SNAPALL, 0) == INVALID_HANDLE_VALUE ? 0 : 1;
    });
    EXPECT_EQ(outcome.exitCode, 0);
}

void ExitHandler() { std::fputs("exit handler ran\n", stderr); }

TEST(TerminateProcessDeathTest, EndsTheOwnProcessAtOnceWithTheCode) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            std::atexit(ExitHandler);
            std::fputs("ending\n", stderr);
            TerminateProcess(GetCurrentProcess(), 7);
            std::fputs("still running\n", stderr);
            std::exit(99);
        },
        testing::ExitedWithCode(7),
        testing::AllOf(testing::HasSubstr("ending"),
                       testing::Not(testing::HasSubstr("exit handler ran"))));
}

TEST(TerminateProcess, LeavesTheProgramRunningForAnyOtherHandle) {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPALL, 0);
    EXPECT_FALSE(TerminateProcess(INVALID_HANDLE_VALUE, 0));
    EXPECT_FALSE(TerminateProcess(nullptr, 0));
    EXPECT_FALSE(TerminateProcess(snapshot, 0));
    CloseHandle(snapshot);
}

}  // namespace
