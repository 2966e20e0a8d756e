// File attributes and file system changes.
#pragma once

// The system routines and names of this subject come from the backend's system interface.
#include "framework/sdk.h"
