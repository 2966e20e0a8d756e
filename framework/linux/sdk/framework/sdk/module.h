// The running program's module: its file path and its icons.
#pragma once

#include <cstdint>

#include "framework/sdk/base.h"

// Writes the full path of the running executable into buffer, cut to size - 1 bytes and
// always terminated (empty when it cannot be read). Returns the length written, or size
// when the path did not fit and was cut, or 0 when it could not be read. Only the program's
// own module (nullptr) is known.
DWORD GetModuleFileNameA(HMODULE module, char* buffer, DWORD size);

// An integer resource id in the place of a resource name.
inline const char* MAKEINTRESOURCEA(UINT id) {
    return reinterpret_cast<const char*>(static_cast<std::uintptr_t>(id));
}

// The shared icon of the module's icon resource name, or nullptr. The handle stays valid
// for the life of the process and is never destroyed.
HICON LoadIconA(HINSTANCE module, const char* name);
