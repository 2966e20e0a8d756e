// Windows on Win32: the CWnd members that ask the native window, and its destruction.
#include <string>

#include "backend/window.h"
#include "hosted_browser.h"
#include "window_hook.h"

using framework::win32::ObjectOfWindow;

CWnd* CWnd::FromHandle(HWND hWnd) { return ObjectOfWindow(hWnd); }

void CWnd::SetWindowText(const char* text) {
    if (m_hWnd != nullptr) SetWindowTextA(m_hWnd, text);
}

CString CWnd::GetWindowText() const {
    if (m_hWnd == nullptr) return {};
    const int length = GetWindowTextLengthA(m_hWnd);
    if (length <= 0) return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(m_hWnd, text.data(), length + 1);
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return text;
}

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add, UINT flags) {
    if (m_hWnd == nullptr) return FALSE;
    const auto before = static_cast<DWORD>(GetWindowLongPtrA(m_hWnd, GWL_STYLE));
    const DWORD after = (before & ~remove) | add;
    if (after == before) return FALSE;
    SetWindowLongPtrA(m_hWnd, GWL_STYLE, static_cast<LONG_PTR>(after));
    // Asked for, the frame is recalculated at once; otherwise the next move or size does it.
    if (flags != 0) {
        SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | flags);
    }
    return TRUE;
}

DWORD CWnd::GetStyle() const {
    return m_hWnd != nullptr ? static_cast<DWORD>(GetWindowLongPtrA(m_hWnd, GWL_STYLE)) : 0;
}

int CWnd::GetDlgCtrlID() const { return m_hWnd != nullptr ? ::GetDlgCtrlID(m_hWnd) : 0; }

CWnd* CWnd::GetDlgItem(int nID) const {
    if (m_hWnd == nullptr) return nullptr;
    return ObjectOfWindow(::GetDlgItem(m_hWnd, nID));
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_hWnd == nullptr) return 0;
    return framework::win32::DefaultProcessing(m_hWnd, message, wParam, lParam);
}

bool framework::backend::DestroyNativeWindow(HWND handle) {
    if (handle == nullptr || !IsWindow(handle)) return false;
    // A hosted web browser control goes while the window that holds it is still there (the
    // window's object, already let go of it, sees no WM_DESTROY).
    framework::win32::TearDownHostedBrowser(handle);
    // The hook lets the objects go once the window and its controls are gone.
    return ::DestroyWindow(handle) != FALSE;
}
