#include "../../framework/linux/process_name.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

using framework::backend::BareExecutableName;
using namespace std::string_literals;

struct NameCase {
    const char* what;
    std::optional<std::string> exeLink;
    std::string commandLine;
    std::string comm;
    std::string name;
};

TEST(BareExecutableName, TakesTheLinkThenTheFirstCommandWordThenABareShortName) {
    const NameCase cases[] = {
        {"link", "/opt/client/Update.exe", "/opt/client/Update.exe\0"s, "Update.exe", "Update.exe"},
        {"link wins over argv[0]", "/opt/client/Update.exe", "renamed\0"s, "x", "Update.exe"},
        {"blanks kept", "/opt/My Client/Nolva Client.exe", "", "Nolva Client.e",
         "Nolva Client.exe"},
        {"deleted file", "/opt/client/Update.exe (deleted)", "", "Update.exe", "Update.exe"},
        {"suffix only at the end", "/opt/a (deleted)/b", "", "b", "b"},
        {"unreadable link", std::nullopt, "/usr/bin/python3\0/srv/tool.py\0"s, "python3",
         "python3"},
        {"relative argv[0]", std::nullopt, "bin/tool\0-x\0"s, "tool", "tool"},
        {"argv[0] without a folder", std::nullopt, "sshd: someone [priv]\0"s, "sshd",
         "sshd: someone [priv]"},
        {"argv[0] without a terminator", std::nullopt, "/bin/prog", "prog", "prog"},
        {"empty link text", ""s, "/bin/prog\0"s, "prog", "prog"},
        {"kernel thread", std::nullopt, "", "kthreadd", "kthreadd"},
        {"argv[0] ends in a separator", std::nullopt, "/usr/bin/\0"s, "worker", "worker"},
        {"empty first word", std::nullopt, "\0second\0"s, "worker", "worker"},
        // A short name with a folder part names no executable.
        {"kernel worker", std::nullopt, "", "kworker/R-rcu_gp", ""},
        {"name set with a separator", std::nullopt, "", "Nolva/Update.exe", ""},
        {"nothing at all", std::nullopt, "", "", ""},
    };
    for (const NameCase& c : cases) {
        EXPECT_EQ(BareExecutableName(c.exeLink, c.commandLine, c.comm), c.name) << c.what;
    }
}

}  // namespace
