// The client window: a dialog hosting the web view in which the client's pages run.
#pragma once

#include "framework/dhtml_dialog.h"

class CQuillbeckDlg : public CDHtmlDialog {
public:
    CQuillbeckDlg();
    ~CQuillbeckDlg() override;

    // Swallows every key-down of Esc and Enter, so that neither closes the window.
    BOOL PreTranslateMessage(MSG* pMsg) override;

protected:
    BOOL OnInitDialog() override;
    // Enter must not close the window.
    void OnOK() override;
    afx_msg void OnGetMinMaxInfo(MINMAXINFO* lpMMI);

    HICON m_hIcon;

    DECLARE_MESSAGE_MAP()
    DECLARE_DHTML_EVENT_MAP()
};

// Sends the dialog's web view to the login page beside the executable; returns 1.
int NavigateToLoginPage(CDHtmlDialog& dialog);
