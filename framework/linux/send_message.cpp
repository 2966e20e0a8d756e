// Sending a message to a window: its object handles it at once.
#include "framework/wnd.h"

LRESULT SendMessageA(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* wnd = CWnd::FromHandle(hWnd);
    return wnd != nullptr ? wnd->WindowProc(message, wParam, lParam) : 0;
}
