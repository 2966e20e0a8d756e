// Reading values from an INI-style settings file ("private profile").
#pragma once

// The system routines and names of this subject come from the backend's system interface.
#include "framework/sdk.h"
