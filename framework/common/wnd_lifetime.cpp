// A window object's life: its native window goes with it, and the application never keeps a
// main window that has gone.
#include "backend/window.h"
#include "framework/app.h"
#include "framework/wnd.h"

namespace {

void ForgetMainWindow(const CWnd* wnd) {
    if (CWinApp* app = AfxGetApp(); app != nullptr && app->m_pMainWnd == wnd) {
        app->m_pMainWnd = nullptr;
    }
}

}  // namespace

CWnd::CWnd() = default;

CWnd::~CWnd() {
    if (m_hWnd != nullptr) DestroyWindow();
    ForgetMainWindow(this);
}

BOOL CWnd::DestroyWindow() {
    HWND handle = m_hWnd;
    m_hWnd = nullptr;
    if (!framework::backend::DestroyNativeWindow(handle)) return FALSE;
    ForgetMainWindow(this);
    return TRUE;
}
