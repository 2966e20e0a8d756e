// The system interface on Linux: stand-ins for the names that on Windows come from the SDK
// and the C runtime, one file per subject. The only way the layer's headers reach them.
#pragma once

#include "framework/sdk/base.h"
#include "framework/sdk/common_controls.h"
#include "framework/sdk/dochost.h"
#include "framework/sdk/files.h"
#include "framework/sdk/internet.h"
#include "framework/sdk/mbstring.h"
#include "framework/sdk/module.h"
#include "framework/sdk/profile.h"
#include "framework/sdk/shell.h"
#include "framework/sdk/toolhelp.h"
#include "framework/sdk/version.h"
#include "framework/sdk/window_messages.h"
