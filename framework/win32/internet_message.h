// The text of a WinINet failure, for the "ERROR!  " line the program prints.
#pragma once

#include <string>

#include "framework/types.h"

namespace framework::win32 {

// The server's last response on the calling thread's connection; empty when there is none.
std::string LastServerResponse();

// WinINet's own text for code; for an extended error the server's last response; where the
// system has no text, the code's number (with the server's response when there is one), so
// the message is never empty.
CString InternetErrorText(DWORD code, const std::string& serverResponse);

}  // namespace framework::win32
