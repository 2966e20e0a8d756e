// The version block of a module file, read from the section that carries its record.
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>

#include "elf_section.h"
#include "framework/version_record.h"
#include "regular_file.h"

using framework::backend::FileSpan;
using framework::backend::FindElfSection;
using framework::backend::OpenRegularFile;
using framework::backend::ReadAt;
using framework::backend::RegularFile;

namespace {

// A block as GetFileVersionInfoA writes it: this header, then the section's bytes, which
// start with the record. The lengths let VerQueryValueA stay inside the block.
struct BlockHeader {
    DWORD length;       // of the whole block, this header included
    DWORD valueLength;  // of the section's bytes after it
};

std::optional<FileSpan> FindRecord(const RegularFile& file) {
    const std::optional<FileSpan> span = FindElfSection(file, VERSION_RECORD_SECTION);
    if (!span || span->size < sizeof(VS_FIXEDFILEINFO) ||
        span->size > std::numeric_limits<DWORD>::max() - sizeof(BlockHeader)) {
        return std::nullopt;
    }
    return span;
}

}  // namespace

DWORD GetFileVersionInfoSizeA(const char* path, DWORD* handle) {
    if (handle != nullptr) *handle = 0;
    const std::optional<RegularFile> file = OpenRegularFile(path);
    if (!file) return 0;
    const std::optional<FileSpan> span = FindRecord(*file);
    if (!span) return 0;
    return static_cast<DWORD>(sizeof(BlockHeader) + span->size);
}

BOOL GetFileVersionInfoA(const char* path, DWORD, DWORD size, void* data) {
    if (data == nullptr) return FALSE;
    const std::optional<RegularFile> file = OpenRegularFile(path);
    if (!file) return FALSE;
    // Looked up afresh: the file may have changed since its size was asked for.
    const std::optional<FileSpan> span = FindRecord(*file);
    if (!span || sizeof(BlockHeader) + span->size > size) return FALSE;
    auto* bytes = static_cast<unsigned char*>(data);
    if (!ReadAt(*file, span->offset, bytes + sizeof(BlockHeader), span->size)) return FALSE;
    const BlockHeader header = {static_cast<DWORD>(sizeof(BlockHeader) + span->size),
                                static_cast<DWORD>(span->size)};
    std::memcpy(bytes, &header, sizeof(header));
    return TRUE;
}

BOOL VerQueryValueA(const void* block, const char* subBlock, void** buffer, UINT* length) {
    if (block == nullptr || subBlock == nullptr || buffer == nullptr ||
        std::strcmp(subBlock, "\\") != 0) {
        return FALSE;
    }
    const auto* bytes = static_cast<const unsigned char*>(block);
    BlockHeader header;
    std::memcpy(&header, bytes, sizeof(header));
    if (header.valueLength < sizeof(VS_FIXEDFILEINFO) ||
        header.length < std::uint64_t{sizeof(BlockHeader)} + header.valueLength) {
        return FALSE;
    }
    VS_FIXEDFILEINFO record;
    std::memcpy(&record, bytes + sizeof(BlockHeader), sizeof(record));
    if (record.dwSignature != VS_FFI_SIGNATURE) return FALSE;
    *buffer = const_cast<unsigned char*>(bytes + sizeof(BlockHeader));
    if (length != nullptr) *length = sizeof(VS_FIXEDFILEINFO);
    return TRUE;
}
