// Toolkit set-up.
#pragma once

#include "framework/sdk/base.h"

inline constexpr DWORD ICC_WIN95_CLASSES = 0xFF;

struct INITCOMMONCONTROLSEX {
    DWORD dwSize;
    DWORD dwICC;
};

// Sets up the window toolkit. Returns FALSE when no display can be reached; windows
// cannot be created then, and every DoModal returns -1.
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* controls);
