#include <signal.h>
#include <spawn.h>

#include <cerrno>
#include <cstdint>

#include "framework/shell.h"

extern char** environ;

namespace {

constexpr std::intptr_t kStarted = 42;
constexpr std::intptr_t kOutOfResources = 0;
constexpr std::intptr_t kFileNotFound = 2;
constexpr std::intptr_t kAccessDenied = 5;
constexpr std::intptr_t kOutOfMemory = 8;
constexpr std::intptr_t kBadFormat = 11;
constexpr std::intptr_t kNotSupported = 31;

HINSTANCE Result(std::intptr_t code) { return reinterpret_cast<HINSTANCE>(code); }

bool IsEmpty(const char* text) { return text == nullptr || text[0] == '\0'; }

bool IsOpenVerb(const char* verb) {
    if (verb == nullptr) return true;
    const char open[] = "open";
    for (int i = 0;; ++i) {
        char c = verb[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != open[i]) return false;
        if (c == '\0') return true;
    }
}

std::intptr_t ErrorCode(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
        case ENAMETOOLONG:
        case ELOOP:
            return kFileNotFound;
        case EACCES:
        case EPERM:
        case EISDIR:
        case ETXTBSY:
            return kAccessDenied;
        case ENOMEM:
            return kOutOfMemory;
        case ENOEXEC:
            return kBadFormat;
        default:
            return kOutOfResources;
    }
}

class SpawnAttributes {
public:
    SpawnAttributes() : m_valid(posix_spawnattr_init(&m_attributes) == 0) {}
    ~SpawnAttributes() {
        if (m_valid) posix_spawnattr_destroy(&m_attributes);
    }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;

    // A new session of its own, so that the program outlives its starter's terminal and
    // process group; no signal blocked or ignored, whatever the starter had set for itself.
    bool PrepareIndependentStart() {
        if (!m_valid) return false;
        sigset_t none;
        sigset_t all;
        sigemptyset(&none);
        sigfillset(&all);
        const short flags = POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
        return posix_spawnattr_setflags(&m_attributes, flags) == 0 &&
               posix_spawnattr_setsigmask(&m_attributes, &none) == 0 &&
               posix_spawnattr_setsigdefault(&m_attributes, &all) == 0;
    }
    const posix_spawnattr_t* get() const { return &m_attributes; }

private:
    posix_spawnattr_t m_attributes;
    bool m_valid;
};

}  // namespace

HINSTANCE ShellExecuteA(HWND, const char* verb, const char* file, const char* parameters,
                        const char* directory, int) {
    if (!IsOpenVerb(verb) || !IsEmpty(parameters) || !IsEmpty(directory)) {
        return Result(kNotSupported);
    }
    if (IsEmpty(file)) return Result(kFileNotFound);
    SpawnAttributes attributes;
    if (!attributes.PrepareIndependentStart()) return Result(kOutOfMemory);
    char* const arguments[] = {const_cast<char*>(file), nullptr};
    pid_t processId = 0;
    const int error = posix_spawn(&processId, file, nullptr, attributes.get(), arguments, environ);
    return Result(error == 0 ? kStarted : ErrorCode(error));
}
