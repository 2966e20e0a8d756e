// Basic types of the platform layer: the names the system's code is written against.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using LONG = std::int32_t;
using INT_PTR = std::intptr_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using COLORREF = DWORD;

// The framework's narrow string: bytes, UTF-8 on Linux.
using CString = std::string;

struct HWND__;
using HWND = HWND__*;
struct HICON__;
using HICON = HICON__*;
struct HBRUSH__;
using HBRUSH = HBRUSH__*;
using HANDLE = void*;

struct ResourceModule;
using HINSTANCE = const ResourceModule*;
using HMODULE = HINSTANCE;

#ifdef _WIN32
inline constexpr char PATH_SEPARATOR = '\\';
// Absolute paths start with a drive letter, so the URL scheme carries the third slash.
inline constexpr const char FILE_URL_SCHEME[] = "file:///";
#else
inline constexpr char PATH_SEPARATOR = '/';
// Absolute paths start with the separator, which makes the third slash.
inline constexpr const char FILE_URL_SCHEME[] = "file://";
#endif

inline constexpr DWORD MAX_PATH = 260;

struct POINT {
    LONG x;
    LONG y;
};

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

struct MINMAXINFO {
    POINT ptReserved;
    POINT ptMaxSize;
    POINT ptMaxPosition;
    POINT ptMinTrackSize;
    POINT ptMaxTrackSize;
};

constexpr WORD LOWORD(WPARAM value) { return static_cast<WORD>(value & 0xFFFF); }
constexpr WORD HIWORD(WPARAM value) { return static_cast<WORD>((value >> 16) & 0xFFFF); }
constexpr WPARAM MAKEWPARAM(WORD low, WORD high) {
    return static_cast<WPARAM>(low) | (static_cast<WPARAM>(high) << 16);
}
constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
    return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) |
           (static_cast<COLORREF>(b) << 16);
}
