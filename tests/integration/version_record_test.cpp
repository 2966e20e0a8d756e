// The version record as the build writes it into real executables, read back from the files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstddef>
#include <cstring>
#include <random>
#include <string>

#include "framework/version_info.h"
#include "temp_folder.h"
#include "test_paths.h"
#include "version_numbers.h"

namespace {

const std::string kLauncher = QUILLBECK_EXE;
const std::string kVersionedProgram = std::string(kHelpersDir) + "/versioned_program";

TEST(VersionRecord, TheBuiltLauncherCarriesItsFileVersion) {
    CString text = "untouched";
    ASSERT_EQ(GetFileVersionString(kLauncher.c_str(), text), 1);
    EXPECT_EQ(text, "1.1.1173.0");
}

TEST(VersionRecord, IsReadFromTheFileNotFromTheReadingProgram) {
    // A copy of the launcher with its record's build field changed reads as changed.
    std::string bytes = ReadFile(kLauncher);
    const VS_FIXEDFILEINFO expected = MakeFixedFileInfo(1, 1, 1173, 0);
    const std::string pattern(reinterpret_cast<const char*>(&expected), sizeof(expected));
    const std::size_t at = bytes.find(pattern);
    ASSERT_NE(at, std::string::npos);
    ASSERT_EQ(bytes.find(pattern, at + 1), std::string::npos) << "one record only";
    const DWORD changed = (DWORD{1174} << 16) | 7;
    std::memcpy(&bytes[at + offsetof(VS_FIXEDFILEINFO, dwFileVersionLS)], &changed,
                sizeof(changed));
    TempFolder temp;
    WriteFile(temp / "launcher", bytes);
    CString text;
    ASSERT_EQ(GetFileVersionString((temp / "launcher").c_str(), text), 1);
    EXPECT_EQ(text, "1.1.1174.7");
}

TEST(VersionRecord, FieldsPrintWithoutSignUpTo65535AndSplitBackUnchanged) {
    CString text;
    ASSERT_EQ(GetFileVersionString(kVersionedProgram.c_str(), text), 1);
    EXPECT_EQ(text, "65535.2.32768.65534");
    VersionNumber version;
    SplitVersion(text, version);
    EXPECT_EQ(version.part[0], 65535);
    EXPECT_EQ(version.part[1], 2);
    EXPECT_EQ(version.part[2], 32768);
    EXPECT_EQ(version.part[3], 65534);
}

TEST(VersionRecord, AProgramWithoutARecordGivesNothing) {
    for (const char* program : {"/bin/true", "/bin/sh"}) {
        CString text = "untouched";
        EXPECT_EQ(GetFileVersionInfoSizeA(program, nullptr), 0u) << program;
        EXPECT_EQ(GetFileVersionString(program, text), 0) << program;
        EXPECT_EQ(text, "untouched") << program;
    }
}

TEST(VersionRecord, EveryTruncatedCopyOfTheLauncherGivesNothing) {
    const std::string bytes = ReadFile(kLauncher);
    ASSERT_GT(bytes.size(), 4096u);
    TempFolder temp;
    const std::size_t lengths[] = {0,
                                   1,
                                   4,
                                   16,
                                   63,
                                   64,
                                   65,
                                   bytes.size() / 2,
                                   bytes.size() - 4096,
                                   bytes.size() - 64,
                                   bytes.size() - 1};
    for (const std::size_t length : lengths) {
        WriteFile(temp / "launcher", bytes.substr(0, length));
        CString text = "untouched";
        EXPECT_EQ(GetFileVersionString((temp / "launcher").c_str(), text), 0) << length;
        EXPECT_EQ(text, "untouched") << length;
    }
    WriteFile(temp / "launcher", bytes);
    CString text;
    EXPECT_EQ(GetFileVersionString((temp / "launcher").c_str(), text), 1) << "the whole copy";
}

TEST(VersionRecord, GarbageAndThingsThatAreNoFilesGiveNothing) {
    TempFolder temp;
    std::mt19937 random(1173);
    std::string noise(256 * 1024, '\0');
    for (char& byte : noise) byte = static_cast<char>(random());
    WriteFile(temp / "noise", noise);
    std::string elfNoise =
        "\x7f"
        "ELF\x02\x01\x01" +
        noise;  // right magic, random headers
    WriteFile(temp / "elf noise", elfNoise);
    WriteFile(temp / "text", "[Version Info]\nVersion=9.9.9.9\n");
    WriteFile(temp / "empty", "");
    MakeFolders(temp / "folder");
    // Opening a FIFO for reading would wait for a writer for ever.
    ASSERT_EQ(mkfifo((temp / "fifo").c_str(), 0600), 0);

    const std::string paths[] = {temp / "noise",   temp / "elf noise", temp / "text",
                                 temp / "empty",   temp / "folder",    temp / "fifo",
                                 temp / "missing", "/dev/zero",        ""};
    for (const std::string& path : paths) {
        CString text = "untouched";
        EXPECT_EQ(GetFileVersionString(path.c_str(), text), 0) << path;
        EXPECT_EQ(text, "untouched") << path;
    }
}

}  // namespace
