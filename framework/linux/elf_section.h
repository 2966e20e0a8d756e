// Finds a named section in an ELF file without trusting any offset or count it holds.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "regular_file.h"

namespace framework::backend {

struct FileSpan {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
};

// Where the contents of the first section called name lie in the file. nullopt when the file
// is not an ELF file in this machine's byte order, when that section is missing or has no
// contents in the file, and when any header on the way points outside the file.
std::optional<FileSpan> FindElfSection(const RegularFile& file, std::string_view name);

}  // namespace framework::backend
