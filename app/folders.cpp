#include "folders.h"

#include "framework/mbstring.h"
#include "framework/module.h"
#include "framework/shell.h"

CString FolderOfPath(const char* path) {
    const auto* text = reinterpret_cast<const unsigned char*>(path);
    const unsigned char* separator = _mbsrchr(text, static_cast<unsigned char>(PATH_SEPARATOR));
    if (separator == nullptr) return CString();
    return CString(path, static_cast<CString::size_type>(separator - text) + 1);
}

CString GetModuleFolder() {
    char path[1024] = {};
    GetModuleFileNameA(nullptr, path, 1023);
    return FolderOfPath(path);
}

CString GetAppDataFolder() {
    char folder[MAX_PATH] = {};
    // A lone separator would name the file system's root: without a folder there is none.
    if (!SHGetSpecialFolderPathA(nullptr, folder, CSIDL_APPDATA, FALSE) || folder[0] == '\0') {
        return CString();
    }
    return CString(folder) + PATH_SEPARATOR;
}
