// The folder tree removal on the system's own search, attribute and delete routines, on real
// trees in a temporary folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "quillbeck_app.h"
#include "temp_folder.h"

namespace fs = std::filesystem;

namespace {

// folder + "\" + a name of fill bytes, so long that the whole path has length bytes.
std::string PathOfLength(const std::string& folder, std::size_t length, char fill) {
    EXPECT_GT(length, folder.size() + 1) << "the temporary folder's path is too long";
    return folder + "\\" + std::string(length - folder.size() - 1, fill);
}

void MakeReadOnly(const std::string& path) {
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY)) << path;
}

class DeleteFolderTreeTest : public ::testing::Test {
protected:
    // Everything beneath the temporary folder, as paths relative to it.
    std::set<std::string> Remaining() const {
        std::set<std::string> paths;
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(temp.path())) {
            paths.insert(Relative(entry.path().string()));
        }
        return paths;
    }

    std::string Relative(const std::string& path) const {
        return path.substr(temp.path().size() + 1);
    }

    // The relative paths of the given paths and of every folder above them.
    std::set<std::string> WithFoldersAbove(const std::vector<std::string>& paths) const {
        std::set<std::string> all;
        for (const std::string& path : paths) {
            for (std::string relative = Relative(path); !relative.empty();) {
                all.insert(relative);
                const std::string::size_type slash = relative.rfind('\\');
                relative = slash == std::string::npos ? "" : relative.substr(0, slash);
            }
        }
        return all;
    }

    TempFolder temp;
    const std::string root = temp.path() + "\\Nolva Client";
    CQuillbeckApp app;
};

TEST_F(DeleteFolderTreeTest, RemovesSeveralLevelsWithHiddenAndOddNames) {
    for (const char* folder : {"a\\b\\c\\d", "a\\b\\e", "g", ".cache\\.inner"}) {
        MakeFolders(root + "\\" + folder);
    }
    for (const char* file : {"top.txt", "a\\1", "a\\b\\2", "a\\b\\c\\d\\4", "a\\b\\e\\6", "g\\7",
                             ".hidden", "..x", ".cache\\.inner\\.x", "100% %s %n", " spaced"}) {
        WriteFile(root + "\\" + file, file);
    }
    // Attributes the walk must not stumble on: a hidden and a system file, a hidden folder.
    SetFileAttributesA((root + "\\.hidden").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesA((root + "\\g\\7").c_str(), FILE_ATTRIBUTE_SYSTEM);
    SetFileAttributesA((root + "\\.cache").c_str(), FILE_ATTRIBUTE_HIDDEN);
    const std::string argument = root;
    app.DeleteFolderTree(argument);
    EXPECT_EQ(argument, root);
    EXPECT_EQ(Remaining(), std::set<std::string>());
}

TEST_F(DeleteFolderTreeTest, AReadOnlyFileTwoLevelsDownKeepsOnlyItsFolders) {
    const std::string kept = root + "\\a\\b\\read-only.txt";
    MakeFolders(root + "\\a\\b\\c");
    MakeFolders(root + "\\a\\d");
    WriteFile(kept, "keep me");
    MakeReadOnly(kept);
    for (const char* file :
         {"top.txt", "a\\sibling.txt", "a\\b\\other.txt", "a\\b\\c\\deeper", "a\\d\\x"}) {
        WriteFile(root + "\\" + file, "gone");
    }
    app.DeleteFolderTree(root);
    EXPECT_EQ(Remaining(), WithFoldersAbove({kept}));
    EXPECT_EQ(ReadFile(kept), "keep me");
}

TEST_F(DeleteFolderTreeTest, APathNamingAFileOrNothingRemovesNothing) {
    WriteFile(root, "a file, not a folder");
    const std::set<std::string> before = Remaining();
    app.DeleteFolderTree(root);
    app.DeleteFolderTree(temp.path() + "\\missing");
    app.DeleteFolderTree(temp.path() + "\\missing\\deeper");
    EXPECT_EQ(Remaining(), before);
    EXPECT_EQ(ReadFile(root), "a file, not a folder");
}

TEST_F(DeleteFolderTreeTest, FolderPathsUpTo195BytesAreWalkedLongerOnesLeftWhole) {
    const std::string longest = PathOfLength(temp.path(), 195, 'a');
    MakeFolders(longest);
    for (const char* name : {"f", "fg", "fgh"}) WriteFile(longest + "\\" + name, name);
    app.DeleteFolderTree(longest);
    EXPECT_EQ(Remaining(), std::set<std::string>());

    const std::string tooLong = PathOfLength(temp.path(), 196, 'b');
    const std::string emptyTooLong = PathOfLength(temp.path(), 197, 'c');
    MakeFolders(tooLong);
    MakeFolders(emptyTooLong);
    WriteFile(tooLong + "\\f", "x");
    app.DeleteFolderTree(tooLong);
    app.DeleteFolderTree(emptyTooLong);
    EXPECT_EQ(Remaining(), WithFoldersAbove({tooLong + "\\f", emptyTooLong}));
}

TEST_F(DeleteFolderTreeTest, EntriesBeyondTheLimitsStayWithTheirFoldersTheRestGoes) {
    MakeFolders(root);
    struct Entry {
        std::size_t pathLength;
        char fill;
        bool folder;
        bool stays;
    };
    // Entry paths are cut at 199 bytes; names of up to 255 bytes are the system's own limit.
    const Entry entries[] = {
        {198, 'a', false, false},
        {199, 'a', false, false},
        {200, 'a', false, true},
        {201, 'a', false, true},
        {195, 'b', true, false},
        {196, 'c', true, true},  // fits as an entry path, too long to search
        {200, 'e', true, true},
        {root.size() + 1 + 200, 'g', false, true},
        {root.size() + 1 + 240, 'h', false, true},
    };
    std::vector<std::string> staying;
    for (const Entry& entry : entries) {
        const std::string path = PathOfLength(root, entry.pathLength, entry.fill);
        if (entry.folder) {
            MakeFolders(path);
            const std::string inside = path + (entry.pathLength == 195 ? "\\xyz" : "\\i");
            WriteFile(inside, "x");
            if (entry.stays) staying.push_back(inside);
        } else {
            WriteFile(path, "x");
            if (entry.stays) staying.push_back(path);
        }
    }
    WriteFile(root + "\\short", "x");
    app.DeleteFolderTree(root);
    EXPECT_EQ(Remaining(), WithFoldersAbove(staying));
}

}  // namespace
