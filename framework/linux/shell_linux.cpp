#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "framework/shell.h"

namespace {
bool IsAbsolute(const char* path) { return path != nullptr && path[0] == '/'; }

// $HOME, or the account's home folder when $HOME is unset or not absolute.
std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (IsAbsolute(home)) return home;
    if (const passwd* account = getpwuid(getuid());
        account != nullptr && IsAbsolute(account->pw_dir)) {
        return account->pw_dir;
    }
    return {};
}

bool Fits(const std::string& folder) { return !folder.empty() && folder.size() < MAX_PATH; }
}  // namespace

BOOL SHGetSpecialFolderPathA(HWND, char* path, int csidl, BOOL) {
    if (path == nullptr) return FALSE;
    path[0] = '\0';
    if (csidl != CSIDL_APPDATA) return FALSE;
    // An XDG_CONFIG_HOME that does not fit counts as unset, as one that is not absolute does.
    std::string folder;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); IsAbsolute(config)) folder = config;
    if (!Fits(folder)) {
        const std::string home = HomeFolder();
        folder = home.empty() ? std::string() : home + "/.config";
    }
    if (!Fits(folder)) return FALSE;
    std::memcpy(path, folder.c_str(), folder.size() + 1);
    return TRUE;
}
