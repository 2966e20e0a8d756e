// The version block reader against hand-built ELF files: a sound one, and copies of it with
// one header made to point outside the file or at the wrong thing.
#include "framework/version_record.h"

#include <elf.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "temp_folder.h"
#include "version_numbers.h"

namespace {

struct Section {
    std::string name;
    std::string contents;
    Elf64_Word type = SHT_PROGBITS;
};

std::string RecordBytes(const VS_FIXEDFILEINFO& record) {
    return std::string(reinterpret_cast<const char*>(&record), sizeof(record));
}

// An ELF file as the linker lays one out: header, section contents, the section-name table
// and at the end the section header table, whose entry 0 is the null section.
class ElfImage {
public:
    explicit ElfImage(const std::vector<Section>& sections) {
        m_bytes.assign(sizeof(Elf64_Ehdr), '\0');
        std::string names(1, '\0');
        std::vector<Elf64_Shdr> headers(1, Elf64_Shdr{});
        for (const Section& section : sections) {
            Elf64_Shdr header{};
            header.sh_name = static_cast<Elf64_Word>(names.size());
            header.sh_type = section.type;
            header.sh_offset = m_bytes.size();
            header.sh_size = section.contents.size();
            names += section.name + '\0';
            if (section.type != SHT_NOBITS) m_bytes += section.contents;
            headers.push_back(header);
        }
        Elf64_Shdr namesHeader{};
        namesHeader.sh_name = static_cast<Elf64_Word>(names.size());
        names += std::string(".shstrtab") + '\0';
        namesHeader.sh_type = SHT_STRTAB;
        namesHeader.sh_offset = m_bytes.size();
        namesHeader.sh_size = names.size();
        m_bytes += names;
        headers.push_back(namesHeader);
        m_bytes.resize((m_bytes.size() + 7) / 8 * 8, '\0');

        Elf64_Ehdr header{};
        std::memcpy(header.e_ident, ELFMAG, SELFMAG);
        header.e_ident[EI_CLASS] = ELFCLASS64;
        header.e_ident[EI_DATA] = ELFDATA2LSB;
        header.e_ident[EI_VERSION] = EV_CURRENT;
        header.e_type = ET_EXEC;
        header.e_machine = EM_X86_64;
        header.e_version = EV_CURRENT;
        header.e_ehsize = sizeof(Elf64_Ehdr);
        header.e_shoff = m_bytes.size();
        header.e_shentsize = sizeof(Elf64_Shdr);
        header.e_shnum = static_cast<Elf64_Half>(headers.size());
        header.e_shstrndx = static_cast<Elf64_Half>(headers.size() - 1);
        std::memcpy(m_bytes.data(), &header, sizeof(header));
        for (const Elf64_Shdr& entry : headers) {
            m_bytes.append(reinterpret_cast<const char*>(&entry), sizeof(entry));
        }
    }

    Elf64_Ehdr Header() const {
        Elf64_Ehdr header;
        std::memcpy(&header, m_bytes.data(), sizeof(header));
        return header;
    }
    void SetHeader(const Elf64_Ehdr& header) {
        std::memcpy(m_bytes.data(), &header, sizeof(header));
    }

    Elf64_Shdr SectionHeader(std::size_t index) const {
        Elf64_Shdr header;
        std::memcpy(&header, m_bytes.data() + Header().e_shoff + index * sizeof(header),
                    sizeof(header));
        return header;
    }
    void SetSectionHeader(std::size_t index, const Elf64_Shdr& header) {
        std::memcpy(m_bytes.data() + Header().e_shoff + index * sizeof(header), &header,
                    sizeof(header));
    }

    std::string& bytes() { return m_bytes; }

private:
    std::string m_bytes;
};

constexpr VS_FIXEDFILEINFO kRecord = MakeFixedFileInfo(1, 2, 3, 4);

// Section 1 carries the record; section 2 is the name table.
ElfImage SoundImage() {
    return ElfImage({{".rodata", "some constant data"},
                     {VERSION_RECORD_SECTION, RecordBytes(kRecord)},
                     {".data", "more"}});
}
constexpr std::size_t kRecordIndex = 2;
constexpr std::size_t kNamesIndex = 4;

int ReadVersion(const std::string& path, CString& text) {
    return GetFileVersionString(path.c_str(), text);
}

TEST(VersionInfo, ReadsTheRecordOfASoundFile) {
    TempFolder temp;
    ElfImage image = SoundImage();
    WriteFile(temp / "program", image.bytes());
    EXPECT_EQ(GetFileVersionInfoSizeA((temp / "program").c_str(), nullptr),
              sizeof(VS_FIXEDFILEINFO) + 8);
    CString text = "untouched";
    EXPECT_EQ(ReadVersion(temp / "program", text), 1);
    EXPECT_EQ(text, "1.2.3.4");
}

struct HostileCase {
    const char* what;
    std::function<void(ElfImage&)> spoil;
};

TEST(VersionInfo, AnyHeaderPointingOutsideTheFileOrAtTheWrongThingGivesNothing) {
    const std::size_t record = kRecordIndex;
    const std::size_t names = kNamesIndex;
    auto header = [](auto change) {
        return [change](ElfImage& image) {
            Elf64_Ehdr h = image.Header();
            change(h);
            image.SetHeader(h);
        };
    };
    auto section = [](std::size_t index, auto change) {
        return [index, change](ElfImage& image) {
            Elf64_Shdr h = image.SectionHeader(index);
            change(h, image.bytes().size());
            image.SetSectionHeader(index, h);
        };
    };
    const HostileCase cases[] = {
        {"not ELF magic", header([](Elf64_Ehdr& h) { h.e_ident[EI_MAG1] = 'e'; })},
        {"the other class", header([](Elf64_Ehdr& h) { h.e_ident[EI_CLASS] = ELFCLASS32; })},
        {"the other byte order", header([](Elf64_Ehdr& h) { h.e_ident[EI_DATA] = ELFDATA2MSB; })},
        {"an unknown ELF version", header([](Elf64_Ehdr& h) { h.e_ident[EI_VERSION] = 7; })},
        {"no section table", header([](Elf64_Ehdr& h) { h.e_shoff = 0; })},
        {"section table past the end", header([](Elf64_Ehdr& h) { h.e_shoff += 1 << 20; })},
        {"section table offset wraps", header([](Elf64_Ehdr& h) { h.e_shoff = ~Elf64_Off{0} - 8; })},
        {"section table runs past the end", header([](Elf64_Ehdr& h) { h.e_shoff += 8; })},
        {"more sections than the file holds", header([](Elf64_Ehdr& h) { h.e_shnum = 0xFF00; })},
        {"odd section header size", header([](Elf64_Ehdr& h) { h.e_shentsize = 40; })},
        {"name table index out of range", header([](Elf64_Ehdr& h) { h.e_shstrndx = h.e_shnum; })},
        {"name table is not a string table",
         header([](Elf64_Ehdr& h) { h.e_shstrndx = kRecordIndex; })},
        {"name table past the end",
         section(names, [](Elf64_Shdr& h, std::size_t size) { h.sh_offset = size + 1; })},
        {"name table runs past the end",
         section(names, [](Elf64_Shdr& h, std::size_t) { h.sh_size = ~Elf64_Xword{0}; })},
        {"record name offset outside the name table",
         section(record, [](Elf64_Shdr& h, std::size_t) { h.sh_name = 0x7FFFFFF0; })},
        {"record name cut by the end of the name table",
         [](ElfImage& image) {
             Elf64_Shdr table = image.SectionHeader(kNamesIndex);
             Elf64_Shdr h = image.SectionHeader(kRecordIndex);
             table.sh_size = h.sh_name + std::strlen(VERSION_RECORD_SECTION);
             image.SetSectionHeader(kNamesIndex, table);
             // The name that follows must not be what makes the record unreadable.
             Elf64_Shdr last = image.SectionHeader(3);
             last.sh_name = 0;
             image.SetSectionHeader(3, last);
         }},
        {"record past the end",
         section(record, [](Elf64_Shdr& h, std::size_t size) { h.sh_offset = size; })},
        {"record runs past the end",
         section(record, [](Elf64_Shdr& h, std::size_t size) { h.sh_size = size; })},
        {"record offset plus size wraps",
         section(record, [](Elf64_Shdr& h, std::size_t) { h.sh_size = ~Elf64_Xword{0} - 4; })},
        {"record without contents in the file",
         section(record, [](Elf64_Shdr& h, std::size_t) { h.sh_type = SHT_NOBITS; })},
        {"record shorter than the fixed record",
         section(record, [](Elf64_Shdr& h, std::size_t) { --h.sh_size; })},
        {"record without its signature",
         [](ElfImage& image) {
             const Elf64_Shdr h = image.SectionHeader(kRecordIndex);
             image.bytes()[h.sh_offset] ^= 0x01;
         }},
    };
    TempFolder temp;
    for (const HostileCase& c : cases) {
        ElfImage image = SoundImage();
        c.spoil(image);
        WriteFile(temp / "program", image.bytes());
        CString text = "untouched";
        EXPECT_EQ(ReadVersion(temp / "program", text), 0) << c.what;
        EXPECT_EQ(text, "untouched") << c.what;
    }
}

TEST(VersionInfo, TheRecordIsFoundByItsWholeName) {
    const std::string record = RecordBytes(kRecord);
    const std::string name = VERSION_RECORD_SECTION;
    TempFolder temp;
    for (const std::string& other : {name + "x", name.substr(0, name.size() - 1), name.substr(1),
                                     std::string(".FILEVERSION"), std::string()}) {
        ElfImage image({{other, record}});
        WriteFile(temp / "program", image.bytes());
        EXPECT_EQ(GetFileVersionInfoSizeA((temp / "program").c_str(), nullptr), 0u)
            << "section name \"" << other << "\"";
    }
    // The first section of that name is the record.
    ElfImage twice(
        {{".a", "x"}, {name, RecordBytes(MakeFixedFileInfo(5, 6, 7, 8))}, {name, record}});
    WriteFile(temp / "program", twice.bytes());
    CString text;
    EXPECT_EQ(ReadVersion(temp / "program", text), 1);
    EXPECT_EQ(text, "5.6.7.8");
}

TEST(VersionInfo, ExtendedSectionNumberingIsFollowed) {
    ElfImage image = SoundImage();
    Elf64_Ehdr h = image.Header();
    Elf64_Shdr first = image.SectionHeader(0);
    first.sh_size = h.e_shnum;
    first.sh_link = h.e_shstrndx;
    h.e_shnum = 0;
    h.e_shstrndx = SHN_XINDEX;
    image.SetHeader(h);
    image.SetSectionHeader(0, first);
    TempFolder temp;
    WriteFile(temp / "program", image.bytes());
    CString text;
    EXPECT_EQ(ReadVersion(temp / "program", text), 1);
    EXPECT_EQ(text, "1.2.3.4");

    // The same with a count that claims more headers than the file holds.
    first.sh_size = 1u << 30;
    image.SetSectionHeader(0, first);
    WriteFile(temp / "program", image.bytes());
    text = "untouched";
    EXPECT_EQ(ReadVersion(temp / "program", text), 0);
    EXPECT_EQ(text, "untouched");
}

TEST(VersionInfo, ABlockLargerThanTheReadersRoomIsNotRead) {
    // The block is the section plus an 8-byte header; the reader has 8,192 bytes of room.
    struct SizeCase {
        std::size_t sectionSize;
        int expected;
    };
    const SizeCase cases[] = {{8192 - 8, 1}, {8192 - 7, 0}, {64 * 1024, 0}};
    TempFolder temp;
    for (const SizeCase& c : cases) {
        std::string contents = RecordBytes(kRecord);
        contents.resize(c.sectionSize, '\x5a');
        ElfImage image({{VERSION_RECORD_SECTION, contents}});
        WriteFile(temp / "program", image.bytes());
        EXPECT_EQ(GetFileVersionInfoSizeA((temp / "program").c_str(), nullptr), c.sectionSize + 8);
        CString text = "untouched";
        EXPECT_EQ(ReadVersion(temp / "program", text), c.expected) << c.sectionSize;
        EXPECT_EQ(text, c.expected == 1 ? "1.2.3.4" : "untouched") << c.sectionSize;
    }
}

TEST(VersionInfo, GetFileVersionInfoNeverWritesPastTheRoomItIsGiven) {
    TempFolder temp;
    ElfImage image = SoundImage();
    WriteFile(temp / "program", image.bytes());
    const std::string path = temp / "program";
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), nullptr);
    ASSERT_GT(size, 0u);

    std::vector<unsigned char> buffer(size + 64, 0xAA);
    EXPECT_FALSE(GetFileVersionInfoA(path.c_str(), 0, size - 1, buffer.data()));
    EXPECT_EQ(std::vector<unsigned char>(size + 64, 0xAA), buffer);

    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size + 64, buffer.data()));
    for (std::size_t i = size; i < buffer.size(); ++i) {
        ASSERT_EQ(buffer[i], 0xAA) << "byte " << i << " past the block";
    }
    void* found = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(buffer.data(), "\\", &found, &length));
    EXPECT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    VS_FIXEDFILEINFO record;
    std::memcpy(&record, found, sizeof(record));
    EXPECT_EQ(record.dwSignature, VS_FFI_SIGNATURE);
    EXPECT_EQ(record.dwFileVersionMS, 0x00010002u);
    EXPECT_EQ(record.dwFileVersionLS, 0x00030004u);
    const auto* begin = static_cast<const unsigned char*>(found);
    EXPECT_GE(begin, buffer.data());
    EXPECT_LE(begin + sizeof(record), buffer.data() + size);

    for (const char* other :
         {"", "\\\\", "\\StringFileInfo\\040904b0\\FileVersion", "\\VarFileInfo\\Translation"}) {
        EXPECT_FALSE(VerQueryValueA(buffer.data(), other, &found, &length)) << other;
    }
}

}  // namespace
