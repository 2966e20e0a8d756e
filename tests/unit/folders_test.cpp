#include "folders.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "scoped_env.h"
#include "temp_folder.h"

namespace {

struct FolderCase {
    const char* path;
    const char* folder;
};

TEST(FolderOfPath, CutsAfterTheLastSeparator) {
    const FolderCase cases[] = {
        {"/opt/client/Quillbeck", "/opt/client/"},
        {"/Quillbeck", "/"},
        {"/opt/My Client/v 1/Quillbeck", "/opt/My Client/v 1/"},
        {"/opt/client/", "/opt/client/"},
        {"/opt/clïent/Quillbeck", "/opt/clïent/"},
        {"Quillbeck", ""},
        {"", ""},
    };
    for (const FolderCase& c : cases) {
        EXPECT_EQ(FolderOfPath(c.path), c.folder) << "path: " << c.path;
    }
}

TEST(GetModuleFolder, IsTheExecutablesFolderWithItsSeparator) {
    const std::string exe = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string folder = GetModuleFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    const std::string name = exe.substr(exe.rfind('/') + 1);
    EXPECT_EQ(folder + name, exe);
}

TEST(GetAppDataFolder, ComesFromXdgConfigHomeWithOneSeparatorAppended) {
    TempFolder temp;
    ScopedEnv xdg("XDG_CONFIG_HOME", temp.path());
    EXPECT_EQ(GetAppDataFolder(), temp.path() + "/");
}

TEST(GetAppDataFolder, AppendsASeparatorEvenAfterOne) {
    ScopedEnv xdg("XDG_CONFIG_HOME", std::string("/srv/conf/"));
    EXPECT_EQ(GetAppDataFolder(), "/srv/conf//");
}

TEST(GetAppDataFolder, FallsBackToHomeConfigWhenXdgIsUnsetEmptyOrRelative) {
    ScopedEnv home("HOME", std::string("/home/someone"));
    for (const std::optional<std::string>& xdg :
         {std::optional<std::string>(), std::optional<std::string>(""),
          std::optional<std::string>("relative/conf")}) {
        ScopedEnv env("XDG_CONFIG_HOME", xdg);
        EXPECT_EQ(GetAppDataFolder(), "/home/someone/.config/") << "XDG_CONFIG_HOME: "
                                                                 << xdg.value_or("(unset)");
    }
}

TEST(GetAppDataFolder, IsLookedUpAfreshAtEachCall) {
    ScopedEnv first("XDG_CONFIG_HOME", std::string("/first"));
    EXPECT_EQ(GetAppDataFolder(), "/first/");
    ScopedEnv second("XDG_CONFIG_HOME", std::string("/second"));
    EXPECT_EQ(GetAppDataFolder(), "/second/");
}

TEST(GetAppDataFolder, NeverCreatesTheFolder) {
    TempFolder temp;
    const std::string missing = temp / "not here";
    {
        ScopedEnv xdg("XDG_CONFIG_HOME", missing);
        EXPECT_EQ(GetAppDataFolder(), missing + "/");
    }
    TempFolder home;
    {
        ScopedEnv xdg("XDG_CONFIG_HOME", std::nullopt);
        ScopedEnv env("HOME", home.path());
        EXPECT_EQ(GetAppDataFolder(), home.path() + "/.config/");
    }
    EXPECT_FALSE(Exists(missing));
    EXPECT_FALSE(Exists(home / ".config"));
}

// An absolute path of the given length in bytes.
std::string PathOfLength(std::size_t length) { return "/" + std::string(length - 1, 'x'); }

TEST(GetAppDataFolder, AFolderThatDoesNotFitIsNoneAndNeverTheRoot) {
    struct LengthCase {
        const char* what;
        std::optional<std::string> xdg;
        std::string home;
        std::string folder;
    };
    const std::string homeOf251 = PathOfLength(251);  // with "/.config", 259 bytes
    const LengthCase cases[] = {
        {"XDG_CONFIG_HOME of 259 bytes", PathOfLength(259), "/home/someone",
         PathOfLength(259) + "/"},
        // Too long for the folder's room: as if it were unset.
        {"XDG_CONFIG_HOME of 260 bytes", PathOfLength(260), "/home/someone",
         "/home/someone/.config/"},
        {"a home that just fits", std::nullopt, homeOf251, homeOf251 + "/.config/"},
        {"a home one byte too long", std::nullopt, PathOfLength(252), ""},
        {"both too long", PathOfLength(300), PathOfLength(300), ""},
    };
    for (const LengthCase& c : cases) {
        ScopedEnv xdg("XDG_CONFIG_HOME", c.xdg);
        ScopedEnv home("HOME", c.home);
        EXPECT_EQ(GetAppDataFolder(), c.folder) << c.what;
    }
}

}  // namespace
