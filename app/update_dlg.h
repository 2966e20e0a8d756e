// The update prompt: asks whether to upgrade when the server has a newer version.
#pragma once

#include "framework/dialog.h"

class CUpdateDlg : public CDialog {
    DECLARE_DYNAMIC(CUpdateDlg)

public:
    explicit CUpdateDlg(CWnd* pParent = nullptr);
    ~CUpdateDlg() override;

    CString m_strAppFolder;  // the Program folder, where the updater lies

protected:
    // Hands over to the updater and ends the program at once.
    afx_msg void OnBnClickedYes();
    afx_msg void OnBnClickedNo();
    afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);

    DECLARE_MESSAGE_MAP()
};
