// Real child processes for tests: the stand-in program, copied under the name a test needs.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <utility>
#include <vector>

// The built stand-in program.
std::string StandInPath();

// Copies the stand-in to folder/fileName, executable, and returns the copy's path. Fails the
// test on error.
std::string CopyStandIn(const std::string& folder, const std::string& fileName);

struct ChildOptions {
    std::vector<std::string> arguments{};                            // after the command name
    std::vector<std::pair<std::string, std::string>> environment{};  // set for the child only
    std::string commandName{};  // the child's argv[0]; the copy's path when empty
};

// A started copy of the stand-in; killed and collected at the end of the scope at the
// latest.
class ChildProcess {
public:
    ChildProcess(const std::string& folder, const std::string& fileName,
                 const ChildOptions& options = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // -1 when it could not be started (the test has failed then).
    pid_t pid() const { return m_pid; }
    // The copy it runs.
    const std::string& path() const { return m_path; }

    // Waits until the process runs the copy: its /proc/PID/exe resolves to it.
    bool WaitUntilRunning(std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;

    // Ends it without collecting it: it stays a zombie until Reap.
    void Kill();
    // Waits for it to end and collects it; gives the wait status.
    int Reap();
    void KillAndReap();

private:
    std::string m_path;
    std::string m_canonicalPath;
    pid_t m_pid = -1;
};

// Kills and collects a process that the test started by other means, at the end of a scope.
class ReapOnExit {
public:
    explicit ReapOnExit(pid_t pid) : m_pid(pid) {}
    ~ReapOnExit();
    ReapOnExit(const ReapOnExit&) = delete;
    ReapOnExit& operator=(const ReapOnExit&) = delete;

private:
    pid_t m_pid;
};
