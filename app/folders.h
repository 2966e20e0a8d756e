// The two folders beneath which the launcher names its files. Both end in the path
// separator, so that a name can be appended directly, or are empty.
#pragma once

#include "framework/types.h"

// The folder of the running executable; empty when its path holds no separator.
CString GetModuleFolder();

// The current user's application-data folder, looked up afresh at each call, never created;
// empty when there is none.
CString GetAppDataFolder();

// The folder part of a path, with its trailing separator; empty without a separator.
CString FolderOfPath(const char* path);
