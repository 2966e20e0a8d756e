// The version record read back with the system's version routines: from the built
// Quillbeck.exe, and from files that carry no usable record.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>

#include "temp_folder.h"
#include "version_numbers.h"
#include "wine_paths.h"

namespace {

std::string Launcher() { return WindowsPath(QUILLBECK_EXE_UNIX_PATH); }

// Where the file's one fixed version record for 1.1.1173.0 starts; npos when there is not
// exactly one.
std::string::size_type RecordOffset(const std::string& bytes) {
    constexpr DWORD kSignature = 0xFEEF04BD;
    constexpr DWORD kVersionMS = (1u << 16) | 1u;
    constexpr DWORD kVersionLS = 1173u << 16;
    const std::string signature(reinterpret_cast<const char*>(&kSignature), sizeof(kSignature));
    std::string::size_type at = std::string::npos;
    for (auto found = bytes.find(signature);
         found != std::string::npos && found + 16 <= bytes.size();
         found = bytes.find(signature, found + 1)) {
        DWORD ms = 0;
        DWORD ls = 0;
        std::memcpy(&ms, &bytes[found + offsetof(VS_FIXEDFILEINFO, dwFileVersionMS)], 4);
        std::memcpy(&ls, &bytes[found + offsetof(VS_FIXEDFILEINFO, dwFileVersionLS)], 4);
        if (ms != kVersionMS || ls != kVersionLS) continue;
        if (at != std::string::npos) return std::string::npos;
        at = found;
    }
    return at;
}

TEST(VersionRecord, TheBuiltLauncherCarriesItsFileVersion) {
    CString text = "untouched";
    ASSERT_EQ(GetFileVersionString(Launcher().c_str(), text), 1);
    EXPECT_EQ(text, "1.1.1173.0");
}

TEST(VersionRecord, IsReadFromTheFileNotFromTheReadingProgram) {
    // A copy of the launcher with its record's build field changed reads as changed.
    std::string bytes = ReadFile(Launcher());
    const std::string::size_type at = RecordOffset(bytes);
    ASSERT_NE(at, std::string::npos);
    const DWORD changed = (DWORD{1174} << 16) | 7;
    std::memcpy(&bytes[at + offsetof(VS_FIXEDFILEINFO, dwFileVersionLS)], &changed,
                sizeof(changed));
    TempFolder temp;
    WriteFile(temp / "launcher.exe", bytes);
    CString text;
    ASSERT_EQ(GetFileVersionString((temp / "launcher.exe").c_str(), text), 1);
    EXPECT_EQ(text, "1.1.1174.7");
}

TEST(VersionRecord, FilesWithoutAUsableRecordGiveZeroAndLeaveTheText) {
    const std::string launcher = ReadFile(Launcher());
    const std::string::size_type record = RecordOffset(launcher);
    ASSERT_NE(record, std::string::npos);
    TempFolder temp;
    struct Case {
        const char* name;
        std::string content;
    };
    const Case cases[] = {
        {"empty.exe", ""},
        {"text.ini", "[Version Info]\r\nVersion=1.1.1173.0\r\n"},
        {"headers-only.exe", launcher.substr(0, 1024)},
        {"cut-before-the-record.exe", launcher.substr(0, record)},
        {"cut-inside-the-record.exe", launcher.substr(0, record + 20)},
        {"no-signature.exe", "XX" + launcher.substr(2)},
    };
    for (const Case& c : cases) {
        WriteFile(temp / c.name, c.content);
        CString text = "untouched";
        EXPECT_EQ(GetFileVersionString((temp / c.name).c_str(), text), 0) << c.name;
        EXPECT_EQ(text, "untouched") << c.name;
    }
    for (const std::string& path : {temp / "missing.exe", temp.path(), std::string()}) {
        CString text = "untouched";
        EXPECT_EQ(GetFileVersionString(path.c_str(), text), 0) << "'" << path << "'";
        EXPECT_EQ(text, "untouched");
    }
}

}  // namespace
