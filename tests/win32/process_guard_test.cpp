// The running-program check on the system's process snapshot, with real processes: a
// cross-built stand-in copied under the names a test needs, started in the same Wine prefix.
#include "process_guard.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "temp_folder.h"
#include "wine_paths.h"

namespace {

constexpr DWORD kUntouched = 4242;

struct Answer {
    int result;
    DWORD processId;
};

Answer Find(const std::string& name) {
    DWORD processId = kUntouched;
    const int result = FindRunningProcess(name, processId);
    return {result, processId};
}

// Whether the snapshot lists a process with this id, and which of the given ids comes first.
DWORD FirstListed(DWORD a, DWORD b) {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    DWORD first = 0;
    for (BOOL more = Process32First(snapshot, &entry); more && first == 0;
         more = Process32Next(snapshot, &entry)) {
        if (entry.th32ProcessID == a || entry.th32ProcessID == b) first = entry.th32ProcessID;
    }
    CloseHandle(snapshot);
    return first;
}

// A copy of the stand-in, running under the given file name until the object goes.
class StandIn {
public:
    StandIn(const std::string& folder, const std::string& name) : m_path(folder + "\\" + name) {
        const std::string original = WindowsPath(QUILLBECK_STAND_IN_UNIX_PATH);
        if (!CopyFileA(original.c_str(), m_path.c_str(), TRUE)) {
            ADD_FAILURE() << "cannot copy the stand-in to " << m_path;
            return;
        }
        STARTUPINFOA startup{};
        startup.cb = sizeof(startup);
        std::string commandLine = "\"" + m_path + "\"";
        if (!CreateProcessA(m_path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            folder.c_str(), &startup, &m_process)) {
            ADD_FAILURE() << "cannot start " << m_path << ": " << GetLastError();
            m_process = {};
        }
    }
    ~StandIn() { End(); }
    StandIn(const StandIn&) = delete;
    StandIn& operator=(const StandIn&) = delete;

    DWORD id() const { return m_process.dwProcessId; }

    // Until the snapshot lists it: a started process may not be listed at once.
    bool WaitUntilListed() const {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            if (id() != 0 && FirstListed(id(), id()) == id()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    void End() {
        if (m_process.hProcess == nullptr) return;
        TerminateProcess(m_process.hProcess, 1);
        WaitForSingleObject(m_process.hProcess, 10000);
        CloseHandle(m_process.hThread);
        CloseHandle(m_process.hProcess);
        m_process = {};
    }

private:
    std::string m_path;
    PROCESS_INFORMATION m_process{};
};

// A name no other test's process carries, even when tests run side by side.
std::string Unique(const std::string& stem) { return stem + std::to_string(GetCurrentProcessId()); }

TEST(FindRunningProcess, FindsARunningProgramInAnyAsciiLetterCase) {
    TempFolder temp;
    const std::string suffix = Unique("");
    const std::string name = "Nolva Client " + suffix + ".exe";
    StandIn child(temp.path(), name);
    ASSERT_TRUE(child.WaitUntilListed());
    for (const std::string& asked :
         {name, "nolva client " + suffix + ".exe", "NOLVA CLIENT " + suffix + ".EXE",
          "nOLVA cLIENT " + suffix + ".eXe"}) {
        const Answer answer = Find(asked);
        EXPECT_EQ(answer.result, 1) << asked;
        EXPECT_EQ(answer.processId, child.id()) << asked;
    }
}

TEST(FindRunningProcess, FindsOnlyTheWholeBareName) {
    TempFolder temp;
    const std::string stem = Unique("Update");
    const std::string name = stem + ".exe";
    StandIn child(temp.path(), name);
    ASSERT_TRUE(child.WaitUntilListed());
    ASSERT_EQ(Find(name).result, 1);
    for (const std::string& asked : {stem + ".ex", stem, std::string("Update"), stem + ".exe.exe",
                                     name + " ", " " + name, "x" + name, temp.path() + "\\" + name,
                                     ".\\" + name, "\\" + name, "/" + name, std::string()}) {
        const Answer answer = Find(asked);
        EXPECT_EQ(answer.result, 0) << "'" << asked << "'";
        EXPECT_EQ(answer.processId, kUntouched) << "'" << asked << "'";
    }
}

TEST(FindRunningProcess, DoesNotFindAProgramThatHasEnded) {
    TempFolder temp;
    const std::string name = Unique("Ended") + ".exe";
    StandIn child(temp.path(), name);
    ASSERT_TRUE(child.WaitUntilListed());
    ASSERT_EQ(Find(name).result, 1);
    child.End();
    const Answer answer = Find(name);
    EXPECT_EQ(answer.result, 0);
    EXPECT_EQ(answer.processId, kUntouched);
}

TEST(FindRunningProcess, OfTwoWithTheSameNameGivesTheFirstInTheSnapshot) {
    TempFolder temp;
    MakeFolders(temp.path() + "\\one");
    MakeFolders(temp.path() + "\\two");
    const std::string name = Unique("Twin") + ".exe";
    StandIn one(temp.path() + "\\one", name);
    StandIn two(temp.path() + "\\two", name);
    ASSERT_TRUE(one.WaitUntilListed());
    ASSERT_TRUE(two.WaitUntilListed());
    const DWORD first = FirstListed(one.id(), two.id());
    ASSERT_NE(first, 0u);
    const Answer answer = Find(name);
    EXPECT_EQ(answer.result, 1);
    EXPECT_EQ(answer.processId, first);
}

TEST(FindRunningProcess, FindsTheCallingProgramItself) {
    char path[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameA(nullptr, path, MAX_PATH), 0u);
    const std::string own = std::string(path).substr(std::string(path).find_last_of("\\/") + 1);
    const Answer answer = Find(own);
    ASSERT_EQ(answer.result, 1);
    EXPECT_NE(answer.processId, kUntouched);
}

}  // namespace
