// Read-only access to a regular file by offset, for readers that must never block on a
// device or a pipe and never read past what the file holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "unique_fd.h"

namespace framework::backend {

struct RegularFile {
    UniqueFd fd;
    std::uint64_t size = 0;  // the size when it was opened
};

// Opens path for reading when it names a regular file (after following links); nullopt for
// anything else, a missing path included.
std::optional<RegularFile> OpenRegularFile(const char* path);

// Reads exactly length bytes from offset; false when the file holds fewer or a read fails.
bool ReadAt(const RegularFile& file, std::uint64_t offset, void* out, std::size_t length);

// Reads up to length bytes from offset; the count read, 0 at the end, -1 on an error.
long long ReadSomeAt(const RegularFile& file, std::uint64_t offset, void* out, std::size_t length);

}  // namespace framework::backend
