/* A program that runs until it is ended: found by name in the process snapshot while it runs.
   A window program, so that no console host is started for it (one would keep the test's
   output open after the test has ended). */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    (void)instance;
    (void)previous;
    (void)commandLine;
    (void)show;
    Sleep(INFINITE);
    return 0;
}
