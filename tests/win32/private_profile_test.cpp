// The system's own settings-file reader held to the table the Linux reader is tested with.
// Where the system reads a case differently, the difference is written down below; every
// other case must read the same.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
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
    const std::string value(buffer.data());
    EXPECT_EQ(copied, value.size()) << "the count is what was copied";
    EXPECT_LT(value.size(), size) << "the value stays within the room";
    for (std::size_t i = size; i < buffer.size(); ++i) {
        EXPECT_EQ(buffer[i], '\x7f') << "byte " << i << " past the room was written";
    }
    return value;
}

// The cases the system's reader (Wine 8's, which the tests run on) reads otherwise than the
// Linux reader, by the case's description: what it gives instead.
const std::map<std::string, std::string>& SystemDifferences() {
    static const std::map<std::string, std::string> differences = {
        // A CR ends the line wherever it stands.
        {"a lone CR stays in the value", "1"},
        // Blanks inside the brackets are trimmed from the section name.
        {"blanks inside the brackets count", "1"},
        // Only the first section of a name is searched.
        {"a repeated section", "default"},
        // A key line without "=" is the key with no value, and that key is found first.
        {"a key line without =", "default"},
        // An empty section name is never found.
        {"an empty section", "default"},
    };
    return differences;
}

// The same for the cut values, by the value as written and the room.
const std::map<std::pair<std::string, DWORD>, std::string>& SystemCutDifferences() {
    static const std::map<std::pair<std::string, DWORD>, std::string> differences = {
        // A quoted value is cut before its quotes are removed: the closing quote takes the
        // room of the last byte.
        {{"\"1.2.3.4\"", 8}, "1.2.3."},
    };
    return differences;
}

TEST(SystemPrivateProfile, ReadsTheSettingsFileTableAsTheLinuxReaderDoes) {
    TempFolder temp;
    const std::string file = temp.path() + "\\Version.ini";
    for (const ProfileCase& c : SettingsFileCases()) {
        WriteFile(file, c.content);
        const auto difference = SystemDifferences().find(c.what);
        const std::string expected =
            difference != SystemDifferences().end() ? difference->second : c.expected;
        EXPECT_EQ(Read(file, c.section, c.key), expected) << c.what;
    }
}

TEST(SystemPrivateProfile, CutsTheValueToTheRoomLessOneAsTheLinuxReaderDoes) {
    TempFolder temp;
    const std::string file = temp.path() + "\\Version.ini";
    for (const CutCase& c : CutCases()) {
        WriteFile(file, std::string("[Version Info]\nVersion=") + c.value + "\n");
        const auto difference = SystemCutDifferences().find({c.value, c.size});
        const std::string expected =
            difference != SystemCutDifferences().end() ? difference->second : c.expected;
        EXPECT_EQ(Read(file, "Version Info", "Version", "default", c.size), expected)
            << c.value << " in " << c.size << " bytes";
    }
}

TEST(SystemPrivateProfile, WhatIsNoReadableFileGivesTheDefault) {
    TempFolder temp;
    MakeFolders(temp.path() + "\\Version.ini");
    for (const std::string& path : {temp.path() + "\\missing.ini", temp.path() + "\\Version.ini"}) {
        EXPECT_EQ(Read(path, "Version Info", "Version"), "default") << path;
    }
}

}  // namespace
