// Host flags of an embedded web view.
#pragma once

#include "framework/sdk/base.h"

inline constexpr DWORD DOCHOSTUIFLAG_NO3DBORDER = 0x00000004;
inline constexpr DWORD DOCHOSTUIFLAG_SCROLL_NO = 0x00000008;
