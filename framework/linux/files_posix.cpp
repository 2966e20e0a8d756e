#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "framework/files.h"

DWORD GetFileAttributesA(const char* path) {
    struct stat info {};
    if (path == nullptr || lstat(path, &info) != 0) return INVALID_FILE_ATTRIBUTES;
    DWORD attributes = 0;
    if (S_ISDIR(info.st_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if (S_ISLNK(info.st_mode)) attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    if (!S_ISLNK(info.st_mode) && (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        attributes |= FILE_ATTRIBUTE_READONLY;
    }
    const char* name = std::strrchr(path, '/');
    name = name != nullptr ? name + 1 : path;
    if (name[0] == '.' && std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0) {
        attributes |= FILE_ATTRIBUTE_HIDDEN;
    }
    return attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
}

BOOL DeleteFileA(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return FALSE;
    // Folders are not files, and a file nobody may write is read-only: both stay, even for
    // a user whom the system would let remove them.
    if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) return FALSE;
    return unlink(path) == 0 ? TRUE : FALSE;
}

BOOL RemoveDirectoryA(const char* path) {
    if (path == nullptr) return FALSE;
    return rmdir(path) == 0 ? TRUE : FALSE;
}
