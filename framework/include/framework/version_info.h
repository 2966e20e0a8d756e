// A module file's version record and the routines that read it back from the file.
#pragma once

// VS_FIXEDFILEINFO and the version routines come from the backend's system interface.
#include "framework/sdk.h"

// A version record for file version major.minor.build.revision, the product version the same.
constexpr VS_FIXEDFILEINFO MakeFixedFileInfo(WORD major, WORD minor, WORD build, WORD revision) {
    VS_FIXEDFILEINFO record{};
    record.dwSignature = VS_FFI_SIGNATURE;
    record.dwStrucVersion = VS_FFI_STRUCVERSION;
    record.dwFileVersionMS = (static_cast<DWORD>(major) << 16) | minor;
    record.dwFileVersionLS = (static_cast<DWORD>(build) << 16) | revision;
    record.dwProductVersionMS = record.dwFileVersionMS;
    record.dwProductVersionLS = record.dwFileVersionLS;
    record.dwFileFlagsMask = VS_FFI_FILEFLAGSMASK;
    record.dwFileOS = VOS_UNKNOWN;
    record.dwFileType = VFT_APP;
    return record;
}
