#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "framework/profile.h"
#include "temp_folder.h"

namespace {

// The whole literal, NUL bytes included.
template <std::size_t N>
std::string Bytes(const char (&text)[N]) {
    return std::string(text, N - 1);
}

struct ProfileCase {
    const char* what;
    std::string content;
    const char* section;
    const char* key;
    const char* expected;
};

// Reads with a 260-byte buffer and the default "default", as the update check's buffers.
std::string Read(const std::string& path, const char* section, const char* key,
                 const char* defaultValue = "default", DWORD size = 260) {
    std::vector<char> buffer(size + 16, '\x7f');
    const DWORD copied =
        GetPrivateProfileStringA(section, key, defaultValue, buffer.data(), size, path.c_str());
    if (size == 0) {
        EXPECT_EQ(copied, 0u);
        return std::string(buffer.data(), 16);
    }
    const std::string value(buffer.data());
    EXPECT_EQ(copied, value.size()) << "the count is what was copied";
    EXPECT_LT(value.size(), size) << "the value stays within the room";
    for (std::size_t i = size; i < buffer.size(); ++i) {
        EXPECT_EQ(buffer[i], '\x7f') << "byte " << i << " past the room was written";
    }
    return value;
}

TEST(GetPrivateProfileString, FollowsTheSettingsFileRules) {
    const char* S = "Version Info";
    const char* K = "Version";
    const ProfileCase cases[] = {
        {"plain", "[Version Info]\nVersion=1.2.3.4\n", S, K, "1.2.3.4"},
        {"no line end at the end", "[Version Info]\nVersion=1.2.3.4", S, K, "1.2.3.4"},
        {"CR LF", "[Version Info]\r\nFileName=a.exe\r\nVersion=1.2.3.4\r\n", S, K, "1.2.3.4"},
        {"a lone CR stays in the value", "[Version Info]\nVersion=1\r2\n", S, K, "1\r2"},
        {"section names ignore ASCII case", "[vERSION iNFO]\nVersion=1\n", S, K, "1"},
        {"key names ignore ASCII case", "[Version Info]\nVERSION=1\n", S, K, "1"},
        {"non-ASCII letters do not fold", "[Version Info]\nVérsion=1\n", S, "VÉrsion", "default"},
        {"blanks around key and value", "[Version Info]\n \t Version \t= \t 1.2 \t\n", S, K, "1.2"},
        {"blanks inside the value stay", "[Version Info]\nVersion=1 .2\t3\n", S, K, "1 .2\t3"},
        {"blanks inside a key must match", "[Version Info]\nFile Name=a\nFile  Name=b\n", S,
         "File Name", "a"},
        {"a key differing only in inner blanks", "[Version Info]\nFile\tName=a\n", S, "File Name",
         "default"},
        {"blanks before the section", "  [Version Info]\nVersion=1\n", S, K, "1"},
        {"text after the section's ]", "[Version Info] ; the versions\nVersion=1\n", S, K, "1"},
        {"blanks inside the brackets count", "[ Version Info ]\nVersion=1\n", S, K, "default"},
        {"a section line without ] opens nothing", "[Other]\nVersion=0\n[Version Info\nVersion=1\n",
         S, K, "default"},
        {"an empty value is a value", "[Version Info]\nVersion=\n", S, K, ""},
        {"a value holding =", "[Version Info]\nVersion=a=b\n", S, K, "a=b"},
        {"double quotes removed", "[Version Info]\nVersion=\"1.2\"\n", S, K, "1.2"},
        {"single quotes removed", "[Version Info]\nVersion='1.2'\n", S, K, "1.2"},
        {"blanks inside quotes stay", "[Version Info]\nVersion= \" 1.2 \" \n", S, K, " 1.2 "},
        {"only one pair of quotes", "[Version Info]\nVersion=\"\"1.2\"\"\n", S, K, "\"1.2\""},
        {"unmatched quotes stay", "[Version Info]\nVersion=\"1.2'\n", S, K, "\"1.2'"},
        {"an opening quote alone stays", "[Version Info]\nVersion=\"1.2\n", S, K, "\"1.2"},
        {"a closing quote alone stays", "[Version Info]\nVersion=1.2\"\n", S, K, "1.2\""},
        {"one quote is no pair", "[Version Info]\nVersion=\"\n", S, K, "\""},
        {"two quotes are an empty value", "[Version Info]\nVersion=\"\"\n", S, K, ""},
        {"quotes inside stay", "[Version Info]\nVersion=a\"b\"c\n", S, K, "a\"b\"c"},
        {"comment lines", "[Version Info]\n;Version=9\n  ; Version=8\nVersion=1\n", S, K, "1"},
        {"a commented-out section", ";[Version Info]\nVersion=9\n", S, K, "default"},
        {"the first match wins", "[Version Info]\nVersion=1\nversion=2\n", S, K, "1"},
        {"a repeated section",
         "[Version Info]\nA=1\n[Other]\nVersion=9\n[version info]\nVersion=2\n", S, K, "2"},
        {"an earlier section repeated later",
         "[Version Info]\nVersion=1\n[Version Info]\nVersion=2\n", S, K, "1"},
        {"keys of other sections", "[Other]\nVersion=9\n[Version Info]\nFileName=a\n", S, K,
         "default"},
        {"keys before any section", "Version=9\n[Version Info]\n", S, K, "default"},
        {"a section name's prefix", "[Version Info 2]\nVersion=9\n[Version]\nVersion=8\n", S, K,
         "default"},
        {"a key name's prefix", "[Version Info]\nVersions=9\nVer=8\nVersion 2=7\n", S, K,
         "default"},
        {"a key line without =", "[Version Info]\nVersion\nVersion=1\n", S, K, "1"},
        {"an empty key", "[Version Info]\n=1\n", S, "", "1"},
        {"the key ends at the first =", "[Version Info]\nVersion = x=1\n", S, "Version = x",
         "default"},
        {"an empty section", "[]\nVersion=1\n", "", K, "1"},
        {"missing section", "[Other]\nVersion=1\n", S, K, "default"},
        {"missing key", "[Version Info]\nFileName=a.exe\n", S, K, "default"},
        {"an empty file", "", S, K, "default"},
        // A byte-order mark is skipped only at the start of the file.
        {"UTF-8 byte-order mark", "\xEF\xBB\xBF[Version Info]\nVersion=1\n", S, K, "1"},
        {"byte-order mark before a key", "[Version Info]\n\xEF\xBB\xBFVersion=1\n", S, K,
         "default"},
        {"a part of a byte-order mark", "\xEF\xBB[Version Info]\nVersion=1\n", S, K, "default"},
        // A NUL byte ends the text of its line.
        {"NUL inside a value", Bytes("[Version Info]\nVersion=1.2\0.3\"\n"), S, K, "1.2"},
        {"NUL inside a key", Bytes("[Version Info]\nVer\0sion=9\nVersion=1\n"), S, K, "1"},
        {"NUL inside a section line",
         Bytes("[Version\0 Info]\nVersion=9\n[Version Info]\nVersion=1\n"), S, K, "1"},
        {"NUL before a quoted value's end", Bytes("[Version Info]\nVersion=\"1.2\0\"\n"), S, K,
         "\"1.2"},
        {"a line of NULs", Bytes("[Version Info]\n\0\0\nVersion=1\n"), S, K, "1"},
        {"NUL before a section", Bytes("\0[Version Info]\nVersion=1\n"), S, K, "default"},
    };
    TempFolder temp;
    for (const ProfileCase& c : cases) {
        WriteFile(temp / "Version.ini", c.content);
        EXPECT_EQ(Read(temp / "Version.ini", c.section, c.key), c.expected) << c.what;
    }
}

struct CutCase {
    const char* value;  // as written after "Version="
    DWORD size;
    const char* expected;
};

TEST(GetPrivateProfileString, CutsTheValueToTheRoomLessOne) {
    const CutCase cases[] = {
        {"1.2.3.4", 8, "1.2.3.4"}, {"1.2.3.4", 7, "1.2.3."},      {"1.2.3.4", 4, "1.2"},
        {"1.2.3.4", 1, ""},        {"\"1.2.3.4\"", 8, "1.2.3.4"}, {"\"1.2.3.4\"", 7, "1.2.3."},
        {"\"1.2.3.4\"", 2, "1"},   {"  1.2  ", 3, "1."},          {"1.2   ", 4, "1.2"},
    };
    TempFolder temp;
    for (const CutCase& c : cases) {
        WriteFile(temp / "Version.ini", std::string("[Version Info]\nVersion=") + c.value + "\n");
        EXPECT_EQ(Read(temp / "Version.ini", "Version Info", "Version", "default", c.size),
                  c.expected)
            << c.value << " in " << c.size << " bytes";
    }
}

TEST(GetPrivateProfileString, AMissingValueGivesTheDefaultCutTheSameWay) {
    TempFolder temp;
    WriteFile(temp / "Version.ini", "[Version Info]\nFileName=a.exe\n");
    const std::string file = temp / "Version.ini";
    EXPECT_EQ(Read(file, "Version Info", "Version", nullptr), "");
    EXPECT_EQ(Read(file, "Version Info", "Version", "0.0.0.0"), "0.0.0.0");
    EXPECT_EQ(Read(file, "Version Info", "Version", "0.0.0.0", 4), "0.0");
    EXPECT_EQ(Read(file, "Version Info", "Version", "0.0.0.0", 1), "");
    // Listing the names of a file is not offered: it gives the default too.
    EXPECT_EQ(Read(file, nullptr, "Version", "x"), "x");
    EXPECT_EQ(Read(file, "Version Info", nullptr, "x"), "x");
}

TEST(GetPrivateProfileString, WithoutRoomNothingIsWritten) {
    TempFolder temp;
    WriteFile(temp / "Version.ini", "[Version Info]\nVersion=1.2.3.4\n");
    EXPECT_EQ(Read(temp / "Version.ini", "Version Info", "Version", "default", 0),
              std::string(16, '\x7f'));
    EXPECT_EQ(GetPrivateProfileStringA("Version Info", "Version", "d", nullptr, 260,
                                       (temp / "Version.ini").c_str()),
              0u);
}

TEST(GetPrivateProfileString, WhatIsNoReadableFileGivesTheDefault) {
    TempFolder temp;
    MakeFolders(temp / "Version.ini");
    // Opening a FIFO for reading would wait for a writer for ever.
    ASSERT_EQ(mkfifo((temp / "fifo").c_str(), 0600), 0);
    WriteFile(temp / "unreadable", "[Version Info]\nVersion=1\n");
    chmod((temp / "unreadable").c_str(), 0);
    const bool root = geteuid() == 0;
    for (const std::string& path : {temp / "missing", temp / "Version.ini", temp / "fifo",
                                    std::string("/dev/zero"), std::string("")}) {
        EXPECT_EQ(Read(path, "Version Info", "Version"), "default") << path;
    }
    if (!root) {
        EXPECT_EQ(Read(temp / "unreadable", "Version Info", "Version"), "default");
    }
    std::vector<char> buffer(16, '\x7f');
    EXPECT_EQ(GetPrivateProfileStringA("Version Info", "Version", "d", buffer.data(), 16, nullptr),
              1u);
    EXPECT_STREQ(buffer.data(), "d");
}

TEST(GetPrivateProfileString, HugeLinesAndFilesGiveTheRightValue) {
    TempFolder temp;
    const std::string file = temp / "Version.ini";
    const std::string x100k(100 * 1024, 'x');

    // A 100 KiB value: cut from its front, its far end still decides the quotes and blanks.
    WriteFile(file, "[Version Info]\nVersion=\"" + x100k + "\"   \n");
    EXPECT_EQ(Read(file, "Version Info", "Version"), std::string(259, 'x'));
    WriteFile(file, "[Version Info]\nVersion=\"" + x100k + "'\n");
    std::string quoteThenX(259, 'x');  // built in place: GCC 12 at -O3 warns wrongly on "\"" + ...
    quoteThenX[0] = '"';
    EXPECT_EQ(Read(file, "Version Info", "Version"), quoteThenX);
    WriteFile(file, "[Version Info]\nVersion=" + x100k + "\n");
    EXPECT_EQ(Read(file, "Version Info", "Version", "d", 200 * 1024), x100k);

    // A 100 KiB key, section name, comment and blank run before the real ones.
    WriteFile(file, "[" + x100k + "]\nVersion=9\n[Version Info]\n" + x100k + "=9\n;" + x100k +
                        "\nVersion" + std::string(100 * 1024, ' ') + "=1\n");
    EXPECT_EQ(Read(file, "Version Info", "Version"), "1");
    // A key that is the wanted one followed by 100 KiB more.
    WriteFile(file, "[Version Info]\nVersion" + x100k + "=9\n");
    EXPECT_EQ(Read(file, "Version Info", "Version"), "default");

    // 50 MiB without a single line end, then the same with the value at its very end.
    const std::string junk(50 * 1024 * 1024, 'j');
    WriteFile(file, "[Version Info]\n" + junk);
    EXPECT_EQ(Read(file, "Version Info", "Version"), "default");
    WriteFile(file, "[Version Info]\n" + junk + "\nVersion=1.1.1174.0");
    EXPECT_EQ(Read(file, "Version Info", "Version"), "1.1.1174.0");
    // The value itself 50 MiB long on a line of its own, cut to the room.
    WriteFile(file, "[Version Info]\nVersion=" + junk + "\n");
    EXPECT_EQ(Read(file, "Version Info", "Version"), std::string(259, 'j'));
}

}  // namespace
