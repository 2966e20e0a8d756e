// How the internet layer reports a failure.
#pragma once

#include "framework/internet.h"

namespace framework {

// Throws a CInternetException by pointer, as the framework's exceptions are: the catcher
// frees it with Delete().
[[noreturn]] void ThrowInternetException(CString message);

}  // namespace framework
