// Toolkit set-up.
#pragma once

// InitCommonControlsEx and its record come from the backend's system interface.
#include "framework/sdk.h"

// Lets dialogs host controls such as the web view; sets up the toolkit as
// InitCommonControlsEx does.
void AfxEnableControlContainer(void* manager = nullptr);
