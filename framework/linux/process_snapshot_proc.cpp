#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/toolhelp.h"
#include "process_name.h"
#include "unique_fd.h"

namespace {

struct ProcessRecord {
    DWORD processId;
    std::string name;
};

struct Snapshot {
    std::vector<ProcessRecord> processes;
    std::size_t next = 0;
};

// The open snapshots, owned here: a handle is valid exactly while its snapshot is listed, so
// a closed or made-up handle is refused instead of being followed.
struct SnapshotTable {
    std::mutex mutex;
    std::map<HANDLE, std::unique_ptr<Snapshot>> snapshots;
};

SnapshotTable& OpenSnapshots() {
    static SnapshotTable table;
    return table;
}

using framework::backend::UniqueFd;

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

// The contents of a /proc file, at most limit bytes; with stopAtNul, reading ends after the
// chunk that holds the first NUL. nullopt when the file cannot be opened or read.
std::optional<std::string> ReadProcFile(const std::string& path, std::size_t limit,
                                        bool stopAtNul = false) {
    const UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) return std::nullopt;
    std::string text;
    char chunk[4096];
    while (text.size() < limit) {
        const ssize_t got = read(fd.get(), chunk, std::min(sizeof(chunk), limit - text.size()));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return std::nullopt;
        if (got == 0) break;
        text.append(chunk, static_cast<std::size_t>(got));
        if (stopAtNul && std::memchr(chunk, '\0', static_cast<std::size_t>(got)) != nullptr) break;
    }
    return text;
}

std::optional<std::string> ReadLink(const std::string& path) {
    for (std::size_t room = 512; room <= 65536; room *= 2) {
        std::string target(room, '\0');
        const ssize_t length = readlink(path.c_str(), target.data(), room);
        if (length < 0) return std::nullopt;
        if (static_cast<std::size_t>(length) < room) {
            target.resize(static_cast<std::size_t>(length));
            return target;
        }
    }
    return std::nullopt;
}

struct StatFields {
    std::string comm;
    bool ended = false;
};

// "pid (comm) state ppid ...": comm may itself hold blanks and parentheses, so it runs to
// the last ')'. The state is the first field after it, the thread count the eighteenth.
std::optional<StatFields> ParseStat(std::string_view text) {
    const std::string_view::size_type open = text.find('(');
    const std::string_view::size_type close = text.rfind(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open) {
        return std::nullopt;
    }
    StatFields fields;
    fields.comm = std::string(text.substr(open + 1, close - open - 1));
    std::vector<std::string_view> rest;
    std::string_view tail = text.substr(close + 1);
    while (rest.size() < 18) {
        const std::string_view::size_type start = tail.find_first_not_of(" \n");
        if (start == std::string_view::npos) break;
        tail.remove_prefix(start);
        const std::string_view::size_type end = tail.find_first_of(" \n");
        rest.push_back(tail.substr(0, end));
        tail.remove_prefix(end == std::string_view::npos ? tail.size() : end);
    }
    if (rest.size() < 18) return std::nullopt;
    long threads = 0;
    std::from_chars(rest[17].data(), rest[17].data() + rest[17].size(), threads);
    // A zombie has ended and waits only for its parent to collect it; a leader that has
    // ended while other threads of its process still run keeps a thread count above one.
    const bool dead = rest[0] == "Z" || rest[0] == "X" || rest[0] == "x";
    fields.ended = dead && threads <= 1;
    return fields;
}

std::optional<DWORD> ProcessIdOf(const char* name) {
    DWORD processId = 0;
    const char* end = name + std::strlen(name);
    const auto [stop, error] = std::from_chars(name, end, processId);
    if (error != std::errc() || stop != end || name == end) return std::nullopt;
    return processId;
}

// One running process, or nullopt when it has ended, even while the pass is under way, or has
// no bare executable name (a kernel thread): the snapshot lists executables by name, and a name
// with a folder part or an empty one would match what no executable is called.
std::optional<ProcessRecord> ReadProcess(DWORD processId) {
    const std::string folder = "/proc/" + std::to_string(processId) + "/";
    const std::optional<std::string> stat = ReadProcFile(folder + "stat", 8192);
    if (!stat) return std::nullopt;
    const std::optional<StatFields> fields = ParseStat(*stat);
    if (!fields || fields->ended) return std::nullopt;
    const std::optional<std::string> exe = ReadLink(folder + "exe");
    std::string commandLine;
    if (!exe) {
        // argv[0] can be as long as the kernel allows one argument; nothing beyond it is used.
        commandLine = ReadProcFile(folder + "cmdline", 256 * 1024, true).value_or("");
    }
    std::string name = framework::backend::BareExecutableName(exe, commandLine, fields->comm);
    if (name.empty()) return std::nullopt;
    return ProcessRecord{processId, std::move(name)};
}

std::optional<std::vector<ProcessRecord>> ReadProcessList() {
    const std::unique_ptr<DIR, DirCloser> proc(opendir("/proc"));
    if (!proc) return std::nullopt;
    std::vector<ProcessRecord> processes;
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(proc.get());
        if (entry == nullptr) {
            if (errno != 0) return std::nullopt;
            break;
        }
        const std::optional<DWORD> processId = ProcessIdOf(entry->d_name);
        if (!processId) continue;
        if (std::optional<ProcessRecord> process = ReadProcess(*processId)) {
            processes.push_back(std::move(*process));
        }
    }
    return processes;
}

void Fill(const ProcessRecord& process, PROCESSENTRY32* entry) {
    const DWORD size = entry->dwSize;
    *entry = PROCESSENTRY32{};
    entry->dwSize = size;
    entry->th32ProcessID = process.processId;
    const std::size_t kept = std::min(process.name.size(), sizeof(entry->szExeFile) - 1);
    std::memcpy(entry->szExeFile, process.name.data(), kept);
    entry->szExeFile[kept] = '\0';
}

BOOL ReadEntry(HANDLE handle, PROCESSENTRY32* entry, bool fromStart) {
    if (entry == nullptr || entry->dwSize < sizeof(PROCESSENTRY32)) return FALSE;
    SnapshotTable& table = OpenSnapshots();
    const std::lock_guard lock(table.mutex);
    const auto found = table.snapshots.find(handle);
    if (found == table.snapshots.end()) return FALSE;
    Snapshot& snapshot = *found->second;
    if (fromStart) snapshot.next = 0;
    if (snapshot.next >= snapshot.processes.size()) return FALSE;
    Fill(snapshot.processes[snapshot.next++], entry);
    return TRUE;
}

}  // namespace

HANDLE CreateToolhelp32Snapshot(DWORD flags, DWORD) {
    auto snapshot = std::make_unique<Snapshot>();
    if ((flags & TH32CS_SNAPPROCESS) != 0) {
        std::optional<std::vector<ProcessRecord>> processes = ReadProcessList();
        if (!processes) return INVALID_HANDLE_VALUE;
        snapshot->processes = std::move(*processes);
    }
    SnapshotTable& table = OpenSnapshots();
    const std::lock_guard lock(table.mutex);
    const HANDLE handle = snapshot.get();
    table.snapshots.emplace(handle, std::move(snapshot));
    return handle;
}

BOOL Process32First(HANDLE snapshot, PROCESSENTRY32* entry) {
    return ReadEntry(snapshot, entry, true);
}

BOOL Process32Next(HANDLE snapshot, PROCESSENTRY32* entry) {
    return ReadEntry(snapshot, entry, false);
}

BOOL CloseHandle(HANDLE handle) {
    if (handle == GetCurrentProcess()) return TRUE;
    SnapshotTable& table = OpenSnapshots();
    const std::lock_guard lock(table.mutex);
    return table.snapshots.erase(handle) == 1 ? TRUE : FALSE;
}
