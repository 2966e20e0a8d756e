// File attributes and file system changes.
#pragma once

#include "framework/sdk/base.h"

inline constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;
inline constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;
inline constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x02;
inline constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
inline constexpr DWORD FILE_ATTRIBUTE_REPARSE_POINT = 0x400;

// The attributes of what stands at path, without following a final link; a link is never
// a folder. INVALID_FILE_ATTRIBUTES when nothing can be read there.
DWORD GetFileAttributesA(const char* path);

// Deletes the file (or link) at path. A file without any write permission counts as
// read-only and is not deleted; neither is a folder.
BOOL DeleteFileA(const char* path);

// Removes the folder at path when it is empty. A trailing separator is allowed.
BOOL RemoveDirectoryA(const char* path);
