// The web browser controls that dialogs host, found by the dialog's window: the dialog's
// keyboard handling offers them their accelerators, and the layer's tests watch them.
#pragma once

#include "framework/sdk.h"

namespace framework::win32 {

// The control hosted in dialog; nullptr when it hosts none. The dialog keeps the reference.
IWebBrowser2* HostedBrowser(HWND dialog);

// Tears down the control hosted in dialog, if there is one, while dialog is still there.
void TearDownHostedBrowser(HWND dialog);

// Offers a key message for a window of dialog's control to the control's accelerators; true
// when the control used it.
bool TranslateHostedAccelerator(HWND dialog, MSG& message);

}  // namespace framework::win32
