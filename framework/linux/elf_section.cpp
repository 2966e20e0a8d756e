#include "elf_section.h"

#include <elf.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <type_traits>

namespace framework::backend {
namespace {

// Only files of this machine's class and byte order are read: the record's fields are
// taken as they lie in the file.
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
constexpr unsigned char kNativeData = ELFDATA2LSB;
#else
constexpr unsigned char kNativeData = ELFDATA2MSB;
#endif
constexpr bool kWide = sizeof(void*) == 8;
constexpr unsigned char kNativeClass = kWide ? ELFCLASS64 : ELFCLASS32;
using Ehdr = std::conditional_t<kWide, Elf64_Ehdr, Elf32_Ehdr>;
using Shdr = std::conditional_t<kWide, Elf64_Shdr, Elf32_Shdr>;

bool Holds(const RegularFile& file, std::uint64_t offset, std::uint64_t size) {
    return offset <= file.size && size <= file.size - offset;
}

bool NameIs(const RegularFile& file, const Shdr& names, const Shdr& section,
            std::string_view name) {
    // The stored name must end right after the wanted bytes, so its terminator is compared too.
    const std::uint64_t wanted = name.size() + 1;
    if (section.sh_name >= names.sh_size || names.sh_size - section.sh_name < wanted) {
        return false;
    }
    std::string stored(wanted, '\xff');
    if (!ReadAt(file, names.sh_offset + section.sh_name, stored.data(), stored.size())) {
        return false;
    }
    return stored.compare(0, name.size(), name) == 0 && stored.back() == '\0';
}

std::optional<FileSpan> FindIn(const RegularFile& file, std::string_view name) {
    Ehdr header;
    if (!ReadAt(file, 0, &header, sizeof(header))) return std::nullopt;
    if (header.e_ident[EI_VERSION] != EV_CURRENT || header.e_shentsize != sizeof(Shdr) ||
        header.e_shoff == 0) {
        return std::nullopt;
    }
    // Section 0 holds the real count and name-table index when they do not fit the header.
    Shdr first;
    if (!ReadAt(file, header.e_shoff, &first, sizeof(first))) return std::nullopt;
    const std::uint64_t count = header.e_shnum != 0 ? header.e_shnum : first.sh_size;
    const std::uint64_t namesIndex =
        header.e_shstrndx != SHN_XINDEX ? header.e_shstrndx : first.sh_link;
    // ReadAt above has shown that e_shoff lies within the file.
    if (count == 0 || count > (file.size - header.e_shoff) / sizeof(Shdr) || namesIndex >= count) {
        return std::nullopt;
    }
    Shdr names;
    if (!ReadAt(file, header.e_shoff + namesIndex * sizeof(Shdr), &names, sizeof(names)) ||
        names.sh_type != SHT_STRTAB || !Holds(file, names.sh_offset, names.sh_size)) {
        return std::nullopt;
    }

    std::array<Shdr, 64> batch;
    for (std::uint64_t start = 0; start < count; start += batch.size()) {
        const std::size_t inBatch =
            static_cast<std::size_t>(std::min<std::uint64_t>(batch.size(), count - start));
        if (!ReadAt(file, header.e_shoff + start * sizeof(Shdr), batch.data(),
                    inBatch * sizeof(Shdr))) {
            return std::nullopt;
        }
        for (std::size_t i = 0; i < inBatch; ++i) {
            const Shdr& section = batch[i];
            if (!NameIs(file, names, section, name)) continue;
            if (section.sh_type == SHT_NOBITS || !Holds(file, section.sh_offset, section.sh_size)) {
                return std::nullopt;
            }
            return FileSpan{section.sh_offset, section.sh_size};
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<FileSpan> FindElfSection(const RegularFile& file, std::string_view name) {
    unsigned char ident[EI_NIDENT];
    if (!ReadAt(file, 0, ident, sizeof(ident)) || std::memcmp(ident, ELFMAG, SELFMAG) != 0 ||
        ident[EI_CLASS] != kNativeClass || ident[EI_DATA] != kNativeData) {
        return std::nullopt;
    }
    return FindIn(file, name);
}

}  // namespace framework::backend
