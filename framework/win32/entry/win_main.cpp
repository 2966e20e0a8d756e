// The entry routine of a windowed program on Windows: the framework's entry routine with the
// command line the runtime has already split.
#include <cstdlib>

#include "framework/app.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return AfxWinMain(__argc, __argv); }
