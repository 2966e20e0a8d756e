#include "framework/file_find.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "framework/files.h"
#include "temp_folder.h"

namespace {

// The names the system delivers for folder, in its own order: what the search must follow.
std::vector<std::string> ReaddirOrder(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return names;
    while (const dirent* entry = readdir(dir)) names.emplace_back(entry->d_name);
    closedir(dir);
    return names;
}

// Every entry the search delivers, each taken as current after its FindNextFile, the last
// one included.
std::vector<std::string> Listing(CFileFind& finder) {
    std::vector<std::string> names;
    BOOL more = TRUE;
    while (more) {
        more = finder.FindNextFile();
        names.push_back(finder.GetFileName());
    }
    return names;
}

// folder + "/" + a name of fill bytes, so long that the whole path has length bytes.
std::string PathOfLength(const std::string& folder, std::size_t length, char fill = 'n') {
    EXPECT_GT(length, folder.size() + 1);
    return folder + "/" + std::string(length - folder.size() - 1, fill);
}

int OpenDescriptors() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator("/proc/self/fd")) {
        ++count;
    }
    return count;
}

TEST(CFileFind, DeliversEveryEntryOnceInTheSystemsOrderTheLastWithTheFalseAnswer) {
    TempFolder temp;
    for (const char* name : {"alpha", "beta.txt", "gamma", ".hidden"}) WriteFile(temp / name, name);
    MakeFolders(temp / "sub");
    const std::vector<std::string> expected = ReaddirOrder(temp.path());
    ASSERT_EQ(expected.size(), 7u);

    CFileFind finder;
    ASSERT_TRUE(finder.FindFile((temp.path() + "/*.*").c_str()));
    EXPECT_EQ(Listing(finder), expected);
    // The search has ended; the last entry stays the current one.
    EXPECT_FALSE(finder.FindNextFile());
    EXPECT_EQ(finder.GetFileName(), expected.back());
}

TEST(CFileFind, AFolderWithOneEntryBesideTheDotsEndsOnThatEntry) {
    TempFolder temp;
    WriteFile(temp / "only", "x");
    CFileFind finder;
    ASSERT_TRUE(finder.FindFile((temp.path() + "/*.*").c_str()));
    const std::vector<std::string> names = Listing(finder);
    EXPECT_EQ(names, ReaddirOrder(temp.path()));
    // Whatever place the file has, it is handled exactly once.
    EXPECT_EQ(std::count(names.begin(), names.end(), "only"), 1);
}

TEST(CFileFind, HasNoCurrentEntryBeforeTheFirstAdvance) {
    TempFolder temp;
    CFileFind finder;
    ASSERT_TRUE(finder.FindFile((temp.path() + "/*.*").c_str()));
    EXPECT_EQ(finder.GetFileName(), "");
    EXPECT_FALSE(finder.IsDots());
    EXPECT_FALSE(finder.MatchesMask(FILE_ATTRIBUTE_DIRECTORY));
}

TEST(CFileFind, IsDotsOnlyForTheFolderEntries) {
    TempFolder temp;
    for (const char* name : {"...", ".x", "..x", "x.", "x..", "dots..."}) {
        WriteFile(temp / name, "");
    }
    MakeFolders(temp / ".folder");
    CFileFind finder;
    ASSERT_TRUE(finder.FindFile((temp.path() + "/*.*").c_str()));
    int dots = 0;
    BOOL more = TRUE;
    while (more) {
        more = finder.FindNextFile();
        const std::string name = finder.GetFileName();
        const bool expected = name == "." || name == "..";
        EXPECT_EQ(finder.IsDots() != FALSE, expected) << "name: " << name;
        dots += expected ? 1 : 0;
    }
    EXPECT_EQ(dots, 2);
}

TEST(CFileFind, LinksAreNeverFoldersWhateverTheyPointTo) {
    TempFolder temp;
    const std::string folder = temp / "walked";
    MakeFolders(folder + "/sub");
    MakeFolders(temp / "elsewhere");
    WriteFile(folder + "/file", "x");
    WriteFile(temp / "target", "x");
    ASSERT_EQ(symlink((temp / "elsewhere").c_str(), (folder + "/to-folder").c_str()), 0);
    ASSERT_EQ(symlink((folder + "/sub").c_str(), (folder + "/to-sub").c_str()), 0);
    ASSERT_EQ(symlink((temp / "target").c_str(), (folder + "/to-file").c_str()), 0);
    ASSERT_EQ(symlink((temp / "missing").c_str(), (folder + "/dangling").c_str()), 0);

    struct Expected {
        bool folder;
        bool link;
    };
    const std::map<std::string, Expected> expected = {
        {".", {true, false}},       {"..", {true, false}},        {"sub", {true, false}},
        {"file", {false, false}},   {"to-folder", {false, true}}, {"to-sub", {false, true}},
        {"to-file", {false, true}}, {"dangling", {false, true}},
    };
    CFileFind finder;
    ASSERT_TRUE(finder.FindFile((folder + "/*.*").c_str()));
    std::map<std::string, Expected> seen;
    BOOL more = TRUE;
    while (more) {
        more = finder.FindNextFile();
        seen[finder.GetFileName()] = {finder.MatchesMask(FILE_ATTRIBUTE_DIRECTORY) != FALSE,
                                      finder.MatchesMask(FILE_ATTRIBUTE_REPARSE_POINT) != FALSE};
    }
    ASSERT_EQ(seen.size(), expected.size());
    for (const auto& [name, want] : expected) {
        ASSERT_TRUE(seen.count(name)) << name;
        EXPECT_EQ(seen[name].folder, want.folder) << name;
        EXPECT_EQ(seen[name].link, want.link) << name;
    }
}

TEST(CFileFind, AnEntryGoneBeforeItIsReadCarriesNoAttributes) {
    TempFolder temp;
    const std::vector<std::string> names = {"one", "two", "three", "four"};
    for (const std::string& name : names) MakeFolders(temp / name);
    CFileFind finder;
    ASSERT_TRUE(finder.FindFile((temp.path() + "/*.*").c_str()));
    for (const std::string& name : names) ASSERT_EQ(rmdir((temp / name).c_str()), 0);

    // The first entry was read ahead while all were there. The system may still deliver the
    // later ones, which it had read before they went.
    int gone = 0;
    BOOL more = finder.FindNextFile();
    while (more) {
        more = finder.FindNextFile();
        if (finder.IsDots() || Exists(temp / finder.GetFileName())) continue;
        ++gone;
        EXPECT_FALSE(finder.MatchesMask(FILE_ATTRIBUTE_DIRECTORY)) << finder.GetFileName();
        EXPECT_FALSE(finder.MatchesMask(FILE_ATTRIBUTE_READONLY)) << finder.GetFileName();
    }
    if (gone == 0) GTEST_SKIP() << "the system delivered no entry that had gone before its read";
}

TEST(CFileFind, RefusesPatternsOfMaxPathBytesOrMore) {
    TempFolder temp;
    // Folders of 255 and 256 bytes make patterns of 259 and 260 bytes; both folders exist.
    std::string folder = temp.path();
    while (folder.size() < 200) folder += "/" + std::string(40, 'd');
    const std::string fits = PathOfLength(folder, MAX_PATH - 5);
    const std::string tooLong = PathOfLength(folder, MAX_PATH - 4);
    MakeFolders(fits);
    MakeFolders(tooLong);

    const std::string fitsPattern = fits + "/*.*";
    const std::string tooLongPattern = tooLong + "/*.*";
    ASSERT_EQ(fitsPattern.size(), MAX_PATH - 1);
    ASSERT_EQ(tooLongPattern.size(), MAX_PATH);
    CFileFind finder;
    EXPECT_TRUE(finder.FindFile(fitsPattern.c_str()));
    EXPECT_FALSE(finder.FindFile(tooLongPattern.c_str()));
    EXPECT_FALSE(finder.FindNextFile());
    EXPECT_EQ(finder.GetFileName(), "");
}

TEST(CFileFind, CannotStartWithoutAFolderToList) {
    TempFolder temp;
    WriteFile(temp / "file", "x");
    MakeFolders(temp / "folder");
    WriteFile(temp / "folder/a.txt", "x");
    const std::string cases[] = {
        temp / "missing/*.*",
        temp / "file/*.*",
        temp / "missing/deeper/*.*",
        // Only the masks that match every entry are known; no other is taken for them.
        temp / "folder/*.txt",
        temp / "folder/a.txt",
        temp / "folder/",
        temp.path(),
        "",
    };
    for (const std::string& pattern : cases) {
        CFileFind finder;
        EXPECT_FALSE(finder.FindFile(pattern.c_str())) << "pattern: " << pattern;
        EXPECT_FALSE(finder.FindNextFile()) << "pattern: " << pattern;
    }
    CFileFind finder;
    EXPECT_FALSE(finder.FindFile(nullptr));
}

TEST(CFileFind, AStarAloneAlsoListsEveryEntry) {
    TempFolder temp;
    WriteFile(temp / "noext", "x");
    WriteFile(temp / "with.ext", "x");
    CFileFind finder;
    ASSERT_TRUE(finder.FindFile((temp.path() + "/*").c_str()));
    EXPECT_EQ(Listing(finder), ReaddirOrder(temp.path()));
}

TEST(CFileFind, CloseEndsTheSearchAndIsHarmlessWhenNothingStarted) {
    TempFolder temp;
    WriteFile(temp / "a", "x");
    CFileFind never;
    never.Close();
    never.Close();
    EXPECT_FALSE(never.FindNextFile());

    CFileFind finder;
    ASSERT_TRUE(finder.FindFile((temp.path() + "/*.*").c_str()));
    ASSERT_TRUE(finder.FindNextFile());
    finder.Close();
    EXPECT_FALSE(finder.FindNextFile());
    EXPECT_EQ(finder.GetFileName(), "");
}

TEST(CFileFind, ANewSearchReplacesTheOpenOne) {
    TempFolder first;
    TempFolder second;
    WriteFile(first / "in-first", "x");
    WriteFile(second / "in-second", "x");
    CFileFind finder;
    ASSERT_TRUE(finder.FindFile((first.path() + "/*.*").c_str()));
    ASSERT_TRUE(finder.FindNextFile());
    ASSERT_TRUE(finder.FindFile((second.path() + "/*.*").c_str()));
    EXPECT_EQ(finder.GetFileName(), "");
    EXPECT_EQ(Listing(finder), ReaddirOrder(second.path()));
}

TEST(CFileFind, ReleasesItsFolderOnCloseRestartAndDestruction) {
    TempFolder temp;
    const std::string pattern = temp.path() + "/*.*";
    const int before = OpenDescriptors();
    for (int i = 0; i < 50; ++i) {
        CFileFind finder;
        ASSERT_TRUE(finder.FindFile(pattern.c_str()));
        ASSERT_TRUE(finder.FindFile(pattern.c_str()));  // restarted while open
        finder.FindNextFile();
    }
    {
        CFileFind finder;
        ASSERT_TRUE(finder.FindFile(pattern.c_str()));
        finder.Close();
        EXPECT_EQ(OpenDescriptors(), before);
    }
    EXPECT_EQ(OpenDescriptors(), before);
}

}  // namespace
