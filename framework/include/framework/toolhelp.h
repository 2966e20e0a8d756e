// Process snapshots, handles and the program's own process.
#pragma once

// The system routines and names of this subject come from the backend's system interface.
#include "framework/sdk.h"
