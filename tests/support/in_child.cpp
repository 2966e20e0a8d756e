#include "in_child.h"

#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace {
constexpr uid_t kNobody = 65534;
constexpr gid_t kNoGroup = 65534;
}  // namespace

ChildOutcome RunInChild(const std::function<int(std::string& output)>& body) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return {};
    const pid_t pid = fork();
    if (pid < 0) {
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        return {};
    }
    if (pid == 0) {
        close(pipeEnds[0]);
        std::string output;
        const int code = body(output);
        for (std::size_t written = 0; written < output.size();) {
            const ssize_t got =
                write(pipeEnds[1], output.data() + written, output.size() - written);
            if (got <= 0) break;
            written += static_cast<std::size_t>(got);
        }
        _exit(code);
    }
    close(pipeEnds[1]);
    ChildOutcome outcome;
    char chunk[4096];
    for (ssize_t got; (got = read(pipeEnds[0], chunk, sizeof(chunk))) != 0;) {
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) break;
        outcome.output.append(chunk, static_cast<std::size_t>(got));
    }
    close(pipeEnds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) outcome.exitCode = WEXITSTATUS(status);
    return outcome;
}

bool BecomeNobody() {
    return setgroups(0, nullptr) == 0 && setgid(kNoGroup) == 0 && setuid(kNobody) == 0;
}

bool HideProcessList() {
    return unshare(CLONE_NEWNS) == 0 &&
           mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
           mount("none", "/proc", "tmpfs", 0, "mode=000") == 0;
}

bool MayChangeUsersAndMounts() {
    return RunInChild([](std::string&) {
               return HideProcessList() && BecomeNobody() ? 0 : 1;
           }).exitCode == 0;
}
