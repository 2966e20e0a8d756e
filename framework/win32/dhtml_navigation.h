// What a web view dialog was asked to show, while no browser control shows it.
#pragma once

#include "framework/dhtml_dialog.h"

namespace framework::win32 {

// The address of the dialog's last Navigate while it had a window; nullptr before one.
const CString* RequestedUrl(const CDHtmlDialog& dialog);

}  // namespace framework::win32
