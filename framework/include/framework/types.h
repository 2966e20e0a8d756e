// Basic types of the platform layer: the system's names the code is written against, from the
// backend's system interface, and the layer's own.
#pragma once

#include <string>

#include "framework/sdk.h"

// The framework's narrow string: bytes, UTF-8 on Linux.
using CString = std::string;

#ifdef _WIN32
inline constexpr char PATH_SEPARATOR = '\\';
// Every character the system takes as a separator: "/" as well as the backslash.
inline constexpr const char PATH_SEPARATORS[] = "\\/";
// Absolute paths start with a drive letter, so the URL scheme carries the third slash.
inline constexpr const char FILE_URL_SCHEME[] = "file:///";
#else
inline constexpr char PATH_SEPARATOR = '/';
inline constexpr const char PATH_SEPARATORS[] = "/";
// Absolute paths start with the separator, which makes the third slash.
inline constexpr const char FILE_URL_SCHEME[] = "file://";
#endif
