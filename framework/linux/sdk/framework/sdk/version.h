// A module file's version record: the fixed file-information fields and the routines that
// read them back from the file.
#pragma once

#include "framework/sdk/base.h"

inline constexpr DWORD VS_FFI_SIGNATURE = 0xFEEF04BD;
inline constexpr DWORD VS_FFI_STRUCVERSION = 0x00010000;
inline constexpr DWORD VS_FFI_FILEFLAGSMASK = 0x0000003F;
inline constexpr DWORD VOS_UNKNOWN = 0x00000000;
inline constexpr DWORD VFT_APP = 0x00000001;

struct VS_FIXEDFILEINFO {
    DWORD dwSignature;
    DWORD dwStrucVersion;
    DWORD dwFileVersionMS;
    DWORD dwFileVersionLS;
    DWORD dwProductVersionMS;
    DWORD dwProductVersionLS;
    DWORD dwFileFlagsMask;
    DWORD dwFileFlags;
    DWORD dwFileOS;
    DWORD dwFileType;
    DWORD dwFileSubtype;
    DWORD dwFileDateMS;
    DWORD dwFileDateLS;
};
static_assert(sizeof(VS_FIXEDFILEINFO) == 52);

// The size in bytes of the version block of the module file at path; 0 when the file cannot
// be read, is no executable of this platform, or carries no version record. *handle, when
// given, is set to 0.
DWORD GetFileVersionInfoSizeA(const char* path, DWORD* handle);

// Reads the module's version block into data, which has size bytes of room. Fails, writing
// nothing, when the block does not fit; nothing past size bytes is ever written.
BOOL GetFileVersionInfoA(const char* path, DWORD handle, DWORD size, void* data);

// Locates a value inside a block that GetFileVersionInfoA wrote. Only the root block "\" is
// known; it gives the block's VS_FIXEDFILEINFO, which must carry its signature.
BOOL VerQueryValueA(const void* block, const char* subBlock, void** buffer, UINT* length);
