#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "child_process.h"
#include "framework/shell.h"
#include "scoped_env.h"
#include "stand_in_record.h"
#include "temp_folder.h"

namespace {

namespace fs = std::filesystem;

std::intptr_t Open(const char* verb, const std::string& file, const char* parameters = nullptr,
                   const char* directory = nullptr) {
    return reinterpret_cast<std::intptr_t>(
        ShellExecuteA(nullptr, verb, file.c_str(), parameters, directory, SW_SHOWNORMAL));
}

TEST(ShellExecuteA, StartsTheFileAsAProcessOfItsOwnAndDoesNotWaitForIt) {
    TempFolder temp;
    MakeFolders(temp / "Program Folder");
    const std::string updater = CopyStandIn(temp / "Program Folder", "Update.exe");
    const std::string record = temp / "started.jsonl";
    ScopedEnv recordTo("QUILLBECK_STAND_IN_RECORD", record);
    ScopedEnv stay("QUILLBECK_STAND_IN_STAY", std::string("1"));

    EXPECT_GT(Open("open", updater), 32);

    const std::vector<StandInRecord> started = WaitForStandInRecords(record, 1);
    ASSERT_EQ(started.size(), 1u);
    const StandInRecord& line = started[0];
    const ReapOnExit reap(static_cast<pid_t>(line.pid));
    EXPECT_EQ(line.exe, fs::canonical(updater).string());
    EXPECT_EQ(line.cwd, fs::current_path().string());
    EXPECT_EQ(line.argc, 1) << "no arguments";
    const pid_t pid = static_cast<pid_t>(line.pid);
    EXPECT_EQ(getsid(pid), pid) << "a session of its own";
    EXPECT_NE(getsid(pid), getsid(0));
    EXPECT_EQ(kill(pid, 0), 0) << "still running after the call returned";
}

TEST(ShellExecuteA, TakesTheOpenVerbInAnyCaseOrNoVerb) {
    TempFolder temp;
    const std::string program = CopyStandIn(temp.path(), "Update.exe");
    const std::string record = temp / "started.jsonl";
    ScopedEnv recordTo("QUILLBECK_STAND_IN_RECORD", record);
    ScopedEnv stay("QUILLBECK_STAND_IN_STAY", std::nullopt);
    const char* verbs[] = {"open", "Open", nullptr};
    for (const char* verb : verbs) EXPECT_GT(Open(verb, program), 32) << (verb ? verb : "none");
    const std::vector<StandInRecord> started = WaitForStandInRecords(record, std::size(verbs));
    EXPECT_EQ(started.size(), std::size(verbs));
    for (const StandInRecord& line : started) ReapOnExit reap(static_cast<pid_t>(line.pid));
}

TEST(ShellExecuteA, GivesAnErrorCodeAndStartsNothingWhenTheFileCannotBeStarted) {
    TempFolder temp;
    const std::string record = temp / "started.jsonl";
    ScopedEnv recordTo("QUILLBECK_STAND_IN_RECORD", record);
    const std::string readOnly = CopyStandIn(temp.path(), "not executable.exe");
    fs::permissions(readOnly, fs::perms::owner_read | fs::perms::owner_write);
    WriteFile(temp / "script.exe", "echo no program\n");
    fs::permissions(temp / "script.exe", fs::perms::owner_all);
    MakeFolders(temp / "folder.exe");
    const std::string program = CopyStandIn(temp.path(), "Update.exe");

    struct Case {
        const char* what;
        std::string file;
        const char* verb;
        const char* parameters;
        const char* directory;
    };
    const Case cases[] = {
        {"missing file", temp / "missing/Update.exe", "open", nullptr, nullptr},
        {"no execute permission", readOnly, "open", nullptr, nullptr},
        {"not a program", temp / "script.exe", "open", nullptr, nullptr},
        {"a folder", temp / "folder.exe", "open", nullptr, nullptr},
        {"no file name", "", "open", nullptr, nullptr},
        {"another verb", program, "print", nullptr, nullptr},
        {"arguments", program, "open", "--stay", nullptr},
        {"a working folder", program, "open", nullptr, "/"},
    };
    for (const Case& c : cases) {
        EXPECT_LE(Open(c.verb, c.file, c.parameters, c.directory), 32) << c.what;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(Exists(record)) << "something was started";
}

}  // namespace
