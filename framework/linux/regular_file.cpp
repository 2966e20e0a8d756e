#include "regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <utility>

namespace framework::backend {

std::optional<RegularFile> OpenRegularFile(const char* path) {
    if (path == nullptr) return std::nullopt;
    // Without O_NONBLOCK, opening a FIFO would wait for a writer before the type is known.
    UniqueFd fd(open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd) return std::nullopt;
    struct stat info {};
    if (fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0) {
        return std::nullopt;
    }
    return RegularFile{std::move(fd), static_cast<std::uint64_t>(info.st_size)};
}

long long ReadSomeAt(const RegularFile& file, std::uint64_t offset, void* out, std::size_t length) {
    if (offset > static_cast<std::uint64_t>(INT64_MAX)) return -1;
    for (;;) {
        const ssize_t count = pread(file.fd.get(), out, length, static_cast<off_t>(offset));
        if (count >= 0) return count;
        if (errno != EINTR) return -1;
    }
}

bool ReadAt(const RegularFile& file, std::uint64_t offset, void* out, std::size_t length) {
    // Checked against the size first, so a hostile offset or length never reaches the system.
    if (offset > file.size || length > file.size - offset) return false;
    auto* bytes = static_cast<unsigned char*>(out);
    while (length > 0) {
        const long long count = ReadSomeAt(file, offset, bytes, length);
        if (count <= 0) return false;  // shrunk since it was opened, or failed
        bytes += count;
        offset += static_cast<std::uint64_t>(count);
        length -= static_cast<std::size_t>(count);
    }
    return true;
}

}  // namespace framework::backend
