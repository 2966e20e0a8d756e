#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "quillbeck_app.h"
#include "temp_folder.h"

namespace fs = std::filesystem;

namespace {

// folder + "/" + a name of fill bytes, so long that the whole path has length bytes.
std::string PathOfLength(const std::string& folder, std::size_t length, char fill) {
    EXPECT_GT(length, folder.size() + 1) << "the temporary folder's path is too long";
    EXPECT_LE(length - folder.size() - 1, 255u) << "a name has at most 255 bytes";
    return folder + "/" + std::string(length - folder.size() - 1, fill);
}

void MakeReadOnly(const std::string& path) { ASSERT_EQ(chmod(path.c_str(), 0444), 0) << path; }

class DeleteFolderTreeTest : public ::testing::Test {
protected:
    // Everything beneath the temporary folder, as paths relative to it; links not followed.
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

    // The relative paths of the given paths and of every folder above them, up to the
    // temporary folder.
    std::set<std::string> WithFoldersAbove(const std::vector<std::string>& paths) const {
        std::set<std::string> all;
        for (const std::string& path : paths) {
            for (std::string relative = Relative(path); !relative.empty();) {
                all.insert(relative);
                const std::string::size_type slash = relative.rfind('/');
                relative = slash == std::string::npos ? "" : relative.substr(0, slash);
            }
        }
        return all;
    }

    TempFolder temp;
    const std::string root = temp / "Nolva Client";
    CQuillbeckApp app;
};

TEST_F(DeleteFolderTreeTest, RemovesAnEmptyFolder) {
    MakeFolders(root);
    app.DeleteFolderTree(root);
    EXPECT_FALSE(Exists(root));
    EXPECT_TRUE(Exists(temp.path()));
}

TEST_F(DeleteFolderTreeTest, RemovesAFolderWithASingleFile) {
    MakeFolders(root);
    WriteFile(root + "/Version.ini", "[Version Info]\n");
    app.DeleteFolderTree(root);
    EXPECT_EQ(Remaining(), std::set<std::string>());
}

TEST_F(DeleteFolderTreeTest, RemovesSeveralLevelsAndLeavesTheCallersStringAlone) {
    for (const char* folder : {"a/b/c/d", "a/b/e", "a/f", "g", "h/i/j"}) {
        MakeFolders(root + "/" + folder);
    }
    for (const char* file : {"top.txt", "a/1", "a/b/2", "a/b/c/3", "a/b/c/d/4", "a/b/c/d/5.dat",
                             "a/b/e/6", "g/7", "h/i/j/8"}) {
        WriteFile(root + "/" + file, file);
    }
    const std::string argument = root;
    app.DeleteFolderTree(argument);
    EXPECT_EQ(argument, root);
    EXPECT_EQ(Remaining(), std::set<std::string>());
}

TEST_F(DeleteFolderTreeTest, WalksAChainOfFoldersDownToTheLongestFolderPath) {
    std::string deepest = root;
    while (195 - deepest.size() > 3) deepest += "/d";
    deepest = PathOfLength(deepest, 195, 'e');
    ASSERT_EQ(deepest.size(), 195u);
    MakeFolders(deepest);
    WriteFile(deepest + "/f", "x");    // 197 bytes
    WriteFile(deepest + "/xyz", "x");  // 199 bytes
    WriteFile(root + "/d/d/file", "x");
    app.DeleteFolderTree(root);
    EXPECT_EQ(Remaining(), std::set<std::string>());
}

TEST_F(DeleteFolderTreeTest, RemovesHiddenEntriesAndNamesOfAnyBytes) {
    MakeFolders(root + "/.cache/.inner");
    const char* files[] = {
        ".hidden",
        "...",
        "..x",
        ".cache/.inner/.x",
        "*.*",
        "100% %s %n %%",
        "back\\slash",
        " spaced name ",
        "tab\tand\nnewline",
        "\xff\xfe not utf-8 \x80",
        "dépôt ünïcode",
    };
    for (const char* file : files) WriteFile(root + "/" + file, file);
    MakeFolders(root + "/\xc0\xc1 folder");
    WriteFile(root + "/\xc0\xc1 folder/inside", "x");
    app.DeleteFolderTree(root);
    EXPECT_EQ(Remaining(), std::set<std::string>());
}

TEST_F(DeleteFolderTreeTest, AReadOnlyFileTwoLevelsDownKeepsOnlyItsFolders) {
    const std::string kept = root + "/a/b/read-only.txt";
    MakeFolders(root + "/a/b/c");
    MakeFolders(root + "/a/d/e");
    MakeFolders(root + "/f");
    WriteFile(kept, "keep me");
    MakeReadOnly(kept);
    for (const char* file :
         {"top.txt", "a/sibling.txt", "a/b/other.txt", "a/b/c/deeper.txt", "a/d/e/x", "f/y"}) {
        WriteFile(root + "/" + file, "gone");
    }
    app.DeleteFolderTree(root);
    EXPECT_EQ(Remaining(), WithFoldersAbove({kept}));
    EXPECT_EQ(ReadFile(kept), "keep me");
}

TEST_F(DeleteFolderTreeTest, RemovesLinksAsLinksAndTouchesNothingOutside) {
    const std::string outside = temp / "outside";
    MakeFolders(outside + "/folder/sub");
    WriteFile(outside + "/target.txt", "target");
    WriteFile(outside + "/read-only.txt", "read-only target");
    MakeReadOnly(outside + "/read-only.txt");
    WriteFile(outside + "/folder/keep.txt", "keep");
    WriteFile(outside + "/folder/sub/deep.txt", "deep");
    const std::set<std::string> before = Remaining();

    MakeFolders(root + "/inner");
    WriteFile(root + "/inner/own.txt", "own");
    const struct {
        const char* target;
        const char* link;
    } links[] = {
        {"../outside/target.txt", "to-file"}, {"../outside/read-only.txt", "to-read-only-file"},
        {"../outside/folder", "to-folder"},   {"../../outside/folder/sub", "inner/to-sub-folder"},
        {"../outside/missing", "dangling"},   {"inner", "to-own-folder"},
    };
    for (const auto& link : links) {
        ASSERT_EQ(symlink(link.target, (root + "/" + link.link).c_str()), 0) << link.link;
    }
    ASSERT_TRUE(fs::is_directory(root + "/to-folder/sub"));

    app.DeleteFolderTree(root);
    EXPECT_EQ(Remaining(), before);
    EXPECT_EQ(ReadFile(outside + "/target.txt"), "target");
    EXPECT_EQ(ReadFile(outside + "/folder/sub/deep.txt"), "deep");
}

TEST_F(DeleteFolderTreeTest, APathNamingAFileOrNothingRemovesNothing) {
    WriteFile(root, "a file, not a folder");
    WriteFile(temp / "beside.txt", "beside");
    MakeFolders(temp / "Nolva");
    const std::set<std::string> before = Remaining();

    app.DeleteFolderTree(root);
    app.DeleteFolderTree(temp / "missing");
    app.DeleteFolderTree(temp / "missing/deeper");
    EXPECT_EQ(Remaining(), before);
    EXPECT_EQ(ReadFile(root), "a file, not a folder");
}

TEST_F(DeleteFolderTreeTest, FolderPathsUpTo195BytesAreWalkedLongerOnesLeftWhole) {
    const std::string longest = PathOfLength(temp.path(), 195, 'a');
    MakeFolders(longest);
    for (const char* name : {"f", "fg", "fgh"}) WriteFile(longest + "/" + name, name);  // 197-199
    app.DeleteFolderTree(longest);
    EXPECT_EQ(Remaining(), std::set<std::string>());

    const std::string tooLong = PathOfLength(temp.path(), 196, 'b');
    const std::string emptyTooLong = PathOfLength(temp.path(), 197, 'c');
    MakeFolders(tooLong);
    MakeFolders(emptyTooLong);
    WriteFile(tooLong + "/f", "x");
    app.DeleteFolderTree(tooLong);
    app.DeleteFolderTree(emptyTooLong);
    EXPECT_EQ(Remaining(), WithFoldersAbove({tooLong + "/f", emptyTooLong}));
}

TEST_F(DeleteFolderTreeTest, EntriesBeyondTheLimitsStayWithTheirFoldersTheRestGoes) {
    MakeFolders(root);
    struct Entry {
        std::size_t pathLength;
        char fill;
        bool folder;
        bool stays;
    };
    const Entry entries[] = {
        {198, 'a', false, false},
        {199, 'a', false, false},  // the cut of the next two
        {200, 'a', false, true},
        {201, 'a', false, true},
        {195, 'b', true, false},
        {196, 'c', true, true},  // fits as an entry path, too long to search
        {199, 'd', true, true},
        {200, 'e', true, true},
        {root.size() + 1 + 199, 'f', false, true},  // names of 199, 200 and 255 bytes
        {root.size() + 1 + 200, 'g', false, true},
        {root.size() + 1 + 255, 'h', false, true},
    };
    std::vector<std::string> staying;
    for (const Entry& entry : entries) {
        const std::string path = PathOfLength(root, entry.pathLength, entry.fill);
        if (entry.folder) {
            MakeFolders(path);
            // Within a walked folder of 195 bytes this file has the longest entry path.
            const std::string inside = path + (entry.pathLength == 195 ? "/xyz" : "/i");
            WriteFile(inside, "x");
            if (entry.stays) staying.push_back(inside);
        } else {
            WriteFile(path, "x");
            if (entry.stays) staying.push_back(path);
        }
    }
    MakeFolders(PathOfLength(root, 196, 'i'));  // empty, but too long to search
    staying.push_back(PathOfLength(root, 196, 'i'));
    WriteFile(root + "/short", "x");
    MakeFolders(root + "/sub/sub");
    WriteFile(root + "/sub/sub/file", "x");

    app.DeleteFolderTree(root);
    EXPECT_EQ(Remaining(), WithFoldersAbove(staying));
}

TEST_F(DeleteFolderTreeTest, NeverActsOnACutPathThatNamesASibling) {
    // Cut to 199 bytes, the path of this folder and of every entry in it is the sibling's.
    const std::string parent = temp / "parent";
    const std::string folder = PathOfLength(parent, 201, 'x');
    const std::string sibling = folder.substr(0, 199);
    MakeFolders(folder);
    WriteFile(folder + "/inside", "inside");
    WriteFile(sibling, "precious");

    app.DeleteFolderTree(folder);
    EXPECT_EQ(Remaining(), WithFoldersAbove({folder + "/inside", sibling}));
    EXPECT_EQ(ReadFile(sibling), "precious");

    // One level down: a folder too long to search whose entries cut to each other.
    MakeFolders(root);
    const std::string sub = PathOfLength(root, 197, 's');
    MakeFolders(sub);
    WriteFile(sub + "/a", "a");    // 199 bytes
    WriteFile(sub + "/ab", "ab");  // 200 bytes, cut to the path of "a"
    WriteFile(root + "/gone", "x");
    app.DeleteFolderTree(root);
    EXPECT_EQ(Remaining(),
              WithFoldersAbove({folder + "/inside", sibling, sub + "/a", sub + "/ab"}));
    EXPECT_EQ(ReadFile(sub + "/a"), "a");
}

}  // namespace
