#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "framework/profile.h"
#include "private_profile_cases.h"
#include "temp_folder.h"

namespace {

using profile_cases::CutCase;
using profile_cases::CutCases;
using profile_cases::ProfileCase;
using profile_cases::SettingsFileCases;

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
    TempFolder temp;
    for (const ProfileCase& c : SettingsFileCases()) {
        WriteFile(temp / "Version.ini", c.content);
        EXPECT_EQ(Read(temp / "Version.ini", c.section, c.key), c.expected) << c.what;
    }
}

TEST(GetPrivateProfileString, CutsTheValueToTheRoomLessOne) {
    TempFolder temp;
    for (const CutCase& c : CutCases()) {
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
