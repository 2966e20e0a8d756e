// The shell: special folders and opening files.
#pragma once

// The system routines and names of this subject come from the backend's system interface.
#include "framework/sdk.h"
