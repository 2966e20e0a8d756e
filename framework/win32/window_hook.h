// How the backend's native windows reach their framework objects: a window procedure put in
// front of the window class's own, which hands every message to the object's WindowProc.
#pragma once

#include "framework/wnd.h"

namespace framework::win32 {

// Puts the hook in front of handle's window procedure and ties the window to wnd; false when
// handle is no window or is already tied to an object.
bool AttachWindow(HWND handle, CWnd* wnd);

// The object tied to handle; for a window the framework did not create (a dialog's control), an
// object made for it, which lives until the window is gone. nullptr when handle is no window.
CWnd* ObjectOfWindow(HWND handle);

// The window's own processing of a message, as the window class does it. WM_CTLCOLOR from the
// framework goes back out as the system's colour message it came from, and the colour that
// processing chose becomes the request's default text colour.
LRESULT DefaultProcessing(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace framework::win32
