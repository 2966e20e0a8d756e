// What the common window code asks of a backend's windows.
#pragma once

#include "framework/types.h"

namespace framework::backend {

// Destroys the native window and its controls, detaching their objects from them; false when
// handle is no live window. The caller has already cleared its own handle.
bool DestroyNativeWindow(HWND handle);

}  // namespace framework::backend
