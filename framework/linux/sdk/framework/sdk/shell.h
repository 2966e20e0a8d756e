// The shell: special folders and opening files.
#pragma once

#include "framework/sdk/base.h"

inline constexpr int CSIDL_APPDATA = 26;

// Writes the special folder's path, without a trailing separator, into path (room for
// MAX_PATH bytes). Only CSIDL_APPDATA is known. The folder is never created, whatever
// create says. Returns FALSE, with path empty, when the folder cannot be determined.
BOOL SHGetSpecialFolderPathA(HWND owner, char* path, int csidl, BOOL create);

inline constexpr int SW_SHOWNORMAL = 1;

// Opens file with the verb "open" (or no verb): starts it as a process of its own, in a new
// session, with no arguments and in the caller's working folder, and does not wait for it.
// The caller, while it lives on, stays the new process's parent. parameters and directory
// must be empty; showCommand is left to the program. Returns a value above 32 when the
// process was started, else an error code of 32 or less (2 file not found, 5 access denied,
// 8 out of memory, 11 not a program, 31 verb or arguments not supported). Nothing is shown.
HINSTANCE ShellExecuteA(HWND owner, const char* verb, const char* file, const char* parameters,
                        const char* directory, int showCommand);
