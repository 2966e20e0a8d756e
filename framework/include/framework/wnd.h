// A window, as the dialogs and their controls use it.
#pragma once

#include "framework/cmd_target.h"
#include "framework/dc.h"

class CWnd : public CCmdTarget {
    DECLARE_DYNAMIC(CWnd)

public:
    CWnd();
    ~CWnd() override;

    HWND m_hWnd = nullptr;

    HWND GetSafeHwnd() const { return m_hWnd; }
    static CWnd* FromHandle(HWND hWnd);

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    void SetWindowText(const char* text);
    CString GetWindowText() const;
    // Changes the style bits; TRUE when the style changed. flags asks for no frame change
    // on this platform.
    BOOL ModifyStyle(DWORD remove, DWORD add, UINT flags = 0);
    DWORD GetStyle() const;
    int GetDlgCtrlID() const;
    CWnd* GetDlgItem(int nID) const;
    BOOL DestroyWindow();

    // Offered every key press for this window before the focused control sees it; TRUE
    // swallows the message.
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

protected:
    // The window's default processing of the message being handled.
    LRESULT Default();
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);

    afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);

    DECLARE_MESSAGE_MAP()

private:
    const MSG* m_currentMessage = nullptr;
};
