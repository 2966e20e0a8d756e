#include "child_process.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "test_paths.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

// The test's own environment with the given variables set on top.
std::vector<std::string> ChildEnvironment(
    const std::vector<std::pair<std::string, std::string>>& extra) {
    std::vector<std::string> variables;
    for (char** variable = environ; *variable != nullptr; ++variable) {
        const std::string entry = *variable;
        const std::string name = entry.substr(0, entry.find('='));
        bool replaced = false;
        for (const auto& [extraName, value] : extra) replaced = replaced || extraName == name;
        if (!replaced) variables.push_back(entry);
    }
    for (const auto& [name, value] : extra) variables.push_back(name + "=" + value);
    return variables;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

void KillAndCollect(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGKILL);
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
}

}  // namespace

std::string StandInPath() { return std::string(kHelpersDir) + "/stand_in"; }

std::string CopyStandIn(const std::string& folder, const std::string& fileName) {
    const std::string copy = folder + "/" + fileName;
    std::error_code error;
    fs::copy_file(StandInPath(), copy, fs::copy_options::overwrite_existing, error);
    EXPECT_FALSE(error) << "cannot copy the stand-in to " << copy << ": " << error.message();
    fs::permissions(copy, fs::perms::owner_all, fs::perm_options::add, error);
    EXPECT_FALSE(error) << "cannot make " << copy << " executable: " << error.message();
    return copy;
}

ChildProcess::ChildProcess(const std::string& folder, const std::string& fileName,
                           const ChildOptions& options)
    : m_path(CopyStandIn(folder, fileName)) {
    std::error_code error;
    m_canonicalPath = fs::canonical(m_path, error).string();

    std::vector<std::string> arguments = {options.commandName.empty() ? m_path
                                                                      : options.commandName};
    arguments.insert(arguments.end(), options.arguments.begin(), options.arguments.end());
    std::vector<std::string> environment = ChildEnvironment(options.environment);
    std::vector<char*> argv = Pointers(arguments);
    std::vector<char*> envp = Pointers(environment);
    pid_t pid = -1;
    const int result =
        posix_spawn(&pid, m_path.c_str(), nullptr, nullptr, argv.data(), envp.data());
    if (result != 0) {
        ADD_FAILURE() << "cannot start " << m_path << ": " << std::strerror(result);
        return;
    }
    m_pid = pid;
}

ChildProcess::~ChildProcess() { KillAndReap(); }

bool ChildProcess::WaitUntilRunning(std::chrono::milliseconds timeout) const {
    if (m_pid <= 0) return false;
    const std::string link = "/proc/" + std::to_string(m_pid) + "/exe";
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    // The kernel names the new executable before it has laid out the command line: until both
    // are there, a snapshot could still see an empty command line.
    const std::string commandLine = "/proc/" + std::to_string(m_pid) + "/cmdline";
    do {
        std::error_code error;
        if (fs::read_symlink(link, error).string() == m_canonicalPath && !error) {
            std::ifstream words(commandLine, std::ios::binary);
            if (words.get() != std::char_traits<char>::eof()) return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
}

void ChildProcess::Kill() {
    if (m_pid > 0) kill(m_pid, SIGKILL);
}

int ChildProcess::Reap() {
    if (m_pid <= 0) return -1;
    int status = -1;
    while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_pid = -1;
    return status;
}

void ChildProcess::KillAndReap() {
    KillAndCollect(m_pid);
    m_pid = -1;
}

ReapOnExit::~ReapOnExit() { KillAndCollect(m_pid); }
