// Window messages, commands, styles and key codes that the layer understands.
#pragma once

// The system's messages, styles and key codes come from the backend's system interface.
#include "framework/sdk.h"

// The framework's own colour request, which carries an AFX_CTLCOLOR in its lParam.
inline constexpr UINT WM_CTLCOLOR = 0x0019;

// The framework's help command.
inline constexpr UINT ID_HELP = 0xE146;
