#include "process_guard.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "child_process.h"
#include "framework/toolhelp.h"
#include "in_child.h"
#include "temp_folder.h"

namespace {

namespace fs = std::filesystem;

constexpr DWORD kUntouched = 4242;

// A name no other test's process carries, even when tests run side by side.
std::string UniqueName(const std::string& stem, const std::string& extension = ".exe") {
    return stem + std::to_string(getpid()) + extension;
}

struct Answer {
    int result;
    DWORD processId;
};

Answer Find(const std::string& name) {
    DWORD processId = kUntouched;
    const int result = FindRunningProcess(name, processId);
    return {result, processId};
}

bool IsZombie(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string::size_type close = stat.rfind(')');
    return close != std::string::npos && stat.compare(close + 1, 2, " Z") == 0;
}

TEST(FindRunningProcess, FindsARunningProgramInAnyAsciiLetterCase) {
    TempFolder temp;
    MakeFolders(temp / "Program Files/Nolva");
    const std::string name = UniqueName("Nolva Client ");
    ChildProcess child(temp / "Program Files/Nolva", name, {.arguments = {"--stay"}});
    ASSERT_TRUE(child.WaitUntilRunning());
    const std::string suffix = std::to_string(getpid());
    for (const std::string& asked :
         {name, "nolva client " + suffix + ".exe", "NOLVA CLIENT " + suffix + ".EXE",
          "nOLVA cLIENT " + suffix + ".eXe"}) {
        const Answer answer = Find(asked);
        EXPECT_EQ(answer.result, 1) << asked;
        EXPECT_EQ(answer.processId, static_cast<DWORD>(child.pid())) << asked;
    }
}

TEST(FindRunningProcess, FindsOnlyTheWholeBareName) {
    TempFolder temp;
    const std::string name = UniqueName("Update");
    const std::string stem = UniqueName("Update", "");
    ChildProcess child(temp.path(), name, {.arguments = {"--stay"}});
    ASSERT_TRUE(child.WaitUntilRunning());
    ASSERT_EQ(Find(name).result, 1);
    for (const std::string& asked :
         {stem + ".ex", stem, std::string("Update"), stem + ".exe.exe", name + " ", " " + name,
          "x" + name, temp / name, "./" + name, "/" + name, std::string()}) {
        const Answer answer = Find(asked);
        EXPECT_EQ(answer.result, 0) << "'" << asked << "'";
        EXPECT_EQ(answer.processId, kUntouched) << "'" << asked << "'";
    }
}

TEST(FindRunningProcess, FindsTheCallingProgramItself) {
    const std::string own = fs::read_symlink("/proc/self/exe").filename().string();
    const Answer answer = Find(own);
    ASSERT_EQ(answer.result, 1);
    // Copies of this test program may run beside it; whichever is given must carry the name
    // (unless it has ended since).
    if (answer.processId != static_cast<DWORD>(getpid())) {
        std::error_code error;
        const fs::path exe =
            fs::read_symlink("/proc/" + std::to_string(answer.processId) + "/exe", error);
        if (!error) {
            EXPECT_EQ(exe.filename().string(), own);
        }
    }
}

TEST(FindRunningProcess, DoesNotFindAProgramThatHasEnded) {
    TempFolder temp;
    const std::string name = UniqueName("Ended");
    ChildProcess child(temp.path(), name, {.arguments = {"--stay"}});
    ASSERT_TRUE(child.WaitUntilRunning());
    ASSERT_EQ(Find(name).result, 1);
    child.KillAndReap();
    const Answer answer = Find(name);
    EXPECT_EQ(answer.result, 0);
    EXPECT_EQ(answer.processId, kUntouched);
}

TEST(FindRunningProcess, DoesNotFindAProgramThatHasEndedButIsNotCollectedYet) {
    TempFolder temp;
    const std::string name = UniqueName("Update");
    ChildProcess child(temp.path(), name, {.arguments = {"--stay"}});
    ASSERT_TRUE(child.WaitUntilRunning());
    child.Kill();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!IsZombie(child.pid()) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_TRUE(IsZombie(child.pid()));
    EXPECT_EQ(Find(name).result, 0);
}

TEST(FindRunningProcess, OfTwoWithTheSameNameGivesTheFirstInTheSnapshot) {
    TempFolder temp;
    MakeFolders(temp / "one");
    MakeFolders(temp / "two");
    const std::string name = UniqueName("Twin");
    ChildProcess one(temp / "one", name, {.arguments = {"--stay"}});
    ChildProcess two(temp / "two", name, {.arguments = {"--stay"}});
    ASSERT_TRUE(one.WaitUntilRunning());
    ASSERT_TRUE(two.WaitUntilRunning());

    DWORD firstListed = 0;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPALL, 0);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof(PROCESSENTRY32);
    for (BOOL more = Process32First(snapshot, &entry); more && firstListed == 0;
         more = Process32Next(snapshot, &entry)) {
        if (entry.th32ProcessID == static_cast<DWORD>(one.pid()) ||
            entry.th32ProcessID == static_cast<DWORD>(two.pid())) {
            firstListed = entry.th32ProcessID;
        }
    }
    CloseHandle(snapshot);
    ASSERT_NE(firstListed, 0u);

    const Answer answer = Find(name);
    EXPECT_EQ(answer.result, 1);
    EXPECT_EQ(answer.processId, firstListed);
}

TEST(FindRunningProcess, FoldsTheCaseOfAsciiLettersOnly) {
    TempFolder temp;
    const std::string suffix = std::to_string(getpid());
    const std::string name = "Ärger " + suffix + ".exe";
    ChildProcess child(temp.path(), name, {.arguments = {"--stay"}});
    ASSERT_TRUE(child.WaitUntilRunning());
    struct Case {
        std::string asked;
        int result;
    };
    const Case cases[] = {
        {name, 1},
        {"ÄRGER " + suffix + ".EXE", 1},
        {"ärger " + suffix + ".exe", 0},
        {"äRGER " + suffix + ".EXE", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(Find(c.asked).result, c.result) << c.asked;
}

// The short name of a running kernel thread that holds a folder separator, or empty.
std::string KernelThreadNameWithASeparator() {
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string pid = entry.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
        std::error_code error;
        (void)fs::read_symlink(entry.path() / "exe", error);
        if (!error) continue;  // a program, not a kernel thread
        std::ifstream comm(entry.path() / "comm");
        std::string name;
        std::getline(comm, name);
        if (name.find('/') != std::string::npos) return name;
    }
    return {};
}

TEST(FindRunningProcess, NeverFindsANameWithAFolderPartOrAnEmptyName) {
    const std::string kernelThread = KernelThreadNameWithASeparator();
    if (kernelThread.empty()) GTEST_SKIP() << "no kernel thread with a '/' in its name is visible";
    for (const std::string& asked : {kernelThread, std::string(), std::string("/")}) {
        const Answer answer = Find(asked);
        EXPECT_EQ(answer.result, 0) << "'" << asked << "'";
        EXPECT_EQ(answer.processId, kUntouched) << "'" << asked << "'";
    }
}

TEST(FindRunningProcess, AnswersNoWhenTheSnapshotIsRefused) {
    if (!MayChangeUsersAndMounts()) GTEST_SKIP() << "needs the right to mount and change users";
    const std::string own = fs::read_symlink("/proc/self/exe").filename().string();
    ASSERT_EQ(Find(own).result, 1);
    const ChildOutcome outcome = RunInChild([&](std::string& output) {
        if (!HideProcessList() || !BecomeNobody()) return 2;
        const Answer answer = Find(own);
        output = std::to_string(answer.result) + " " + std::to_string(answer.processId);
        return 0;
    });
    ASSERT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.output, "0 " + std::to_string(kUntouched));
}

}  // namespace
