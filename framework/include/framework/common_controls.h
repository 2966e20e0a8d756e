// Toolkit set-up.
#pragma once

#include "framework/types.h"

inline constexpr DWORD ICC_WIN95_CLASSES = 0xFF;

struct INITCOMMONCONTROLSEX {
    DWORD dwSize;
    DWORD dwICC;
};

// Sets up the window toolkit. Returns FALSE when no display can be reached; windows
// cannot be created then, and every DoModal returns -1.
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* controls);

// Lets dialogs host controls such as the web view; sets up the toolkit as above.
void AfxEnableControlContainer(void* manager = nullptr);
