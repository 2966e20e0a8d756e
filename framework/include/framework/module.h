// The running program's module: its file path and its resources.
#pragma once

// GetModuleFileNameA, LoadIconA and MAKEINTRESOURCEA come from the backend's system interface.
#include "framework/sdk.h"

// The module that holds the program's resources.
HINSTANCE AfxGetResourceHandle();
