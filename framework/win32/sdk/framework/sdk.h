// The system interface on Windows: the SDK's own headers, included the same way by every file
// of the layer and the program, which reach them through this header only.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef STRICT
#define STRICT
#endif

// <windows.h> first: the other headers build on it.
// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <exdisp.h>
#include <mbstring.h>
#include <mshtmhst.h>
#include <shellapi.h>
#include <shlobj.h>
#include <tlhelp32.h>
#include <winver.h>
#include <wininet.h>
// clang-format on

// The SDK's A/W switch names that are also names of the framework's own members
// (CWnd::SendMessage, CFileFind::FindNextFile, ...) or of the layer's internal routines: without
// the macros the members keep their names, and the system routines are called by their narrow
// names (SendMessageA, FindNextFileA, ...).
#undef DefWindowProc
#undef FindNextFile
#undef GetWindowText
#undef ReplaceFile
#undef SendMessage
#undef SetWindowText

// The cursor id IDC_NO would take the name of the update prompt's No button; the program loads
// no cursor by name.
#ifdef IDC_NO
#undef IDC_NO
#endif
