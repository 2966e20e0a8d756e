// How a window hands its messages to its message map, and what it does without a handler.
#include "framework/wnd.h"

IMPLEMENT_DYNAMIC(CWnd, CCmdTarget)

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // Named fields: the system's record has more of them on some platforms.
    MSG current{};
    current.hwnd = m_hWnd;
    current.message = message;
    current.wParam = wParam;
    current.lParam = lParam;
    const MSG* outer = m_currentMessage;
    m_currentMessage = &current;
    LRESULT result = 0;
    if (message == WM_COMMAND) {
        if (!OnCommand(wParam, lParam)) result = DefWindowProc(message, wParam, lParam);
    } else if (const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(message, 0, 0)) {
        result = entry->pfn(this, wParam, lParam);
    } else {
        result = DefWindowProc(message, wParam, lParam);
    }
    m_currentMessage = outer;
    return result;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM) { return OnCmdMsg(LOWORD(wParam), HIWORD(wParam)); }

LRESULT CWnd::Default() {
    if (m_currentMessage == nullptr) return 0;
    return DefWindowProc(m_currentMessage->message, m_currentMessage->wParam,
                         m_currentMessage->lParam);
}

HBRUSH CWnd::OnCtlColor(CDC*, CWnd*, UINT) { return reinterpret_cast<HBRUSH>(Default()); }

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return WindowProc(message, wParam, lParam);
}
