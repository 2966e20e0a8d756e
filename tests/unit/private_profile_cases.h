// The settings-file cases the profile reader is tested with, shared by the tests of every
// backend's reader so that they are held to one table.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "framework/profile.h"

namespace profile_cases {

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

// What reading key from section of a file holding content gives, with the default "default".
inline const std::vector<ProfileCase>& SettingsFileCases() {
    const char* S = "Version Info";
    const char* K = "Version";
    static const std::vector<ProfileCase> cases = {
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
    return cases;
}

struct CutCase {
    const char* value;  // as written after "Version="
    DWORD size;
    const char* expected;
};

// A value cut to the room it is read into (the room counts the terminating NUL).
inline const std::vector<CutCase>& CutCases() {
    static const std::vector<CutCase> cases = {
        {"1.2.3.4", 8, "1.2.3.4"}, {"1.2.3.4", 7, "1.2.3."},      {"1.2.3.4", 4, "1.2"},
        {"1.2.3.4", 1, ""},        {"\"1.2.3.4\"", 8, "1.2.3.4"}, {"\"1.2.3.4\"", 7, "1.2.3."},
        {"\"1.2.3.4\"", 2, "1"},   {"  1.2  ", 3, "1."},          {"1.2   ", 4, "1.2"},
    };
    return cases;
}

}  // namespace profile_cases
