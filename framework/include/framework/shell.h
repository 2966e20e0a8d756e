// The shell: special folders and opening files.
#pragma once

#include "framework/types.h"

inline constexpr int CSIDL_APPDATA = 26;

// Writes the special folder's path, without a trailing separator, into path (room for
// MAX_PATH bytes). Only CSIDL_APPDATA is known. The folder is never created, whatever
// create says. Returns FALSE, with path empty, when the folder cannot be determined.
BOOL SHGetSpecialFolderPathA(HWND owner, char* path, int csidl, BOOL create);
