#include "update_dlg.h"

#include "framework/shell.h"
#include "framework/toolhelp.h"
#include "resource.h"

IMPLEMENT_DYNAMIC(CUpdateDlg, CDialog)

BEGIN_MESSAGE_MAP(CUpdateDlg, CDialog)
ON_BN_CLICKED(IDC_YES, &CUpdateDlg::OnBnClickedYes)
ON_BN_CLICKED(IDC_NO, &CUpdateDlg::OnBnClickedNo)
ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

CUpdateDlg::CUpdateDlg(CWnd* pParent) : CDialog(IDD_UPDATE_DIALOG, pParent) {}

CUpdateDlg::~CUpdateDlg() = default;

void CUpdateDlg::OnBnClickedYes() {
    const CString updater = m_strAppFolder + "Update.exe";
    ShellExecuteA(nullptr, "open", updater.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    // Nothing after the hand-off: no clean-up, and the local version file stays.
    TerminateProcess(GetCurrentProcess(), 0);
}

void CUpdateDlg::OnBnClickedNo() { OnOK(); }

HBRUSH CUpdateDlg::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) {
    HBRUSH brush = CDialog::OnCtlColor(pDC, pWnd, nCtlColor);
    if (nCtlColor == CTLCOLOR_STATIC && pWnd->GetDlgCtrlID() == static_cast<int>(IDC_REQUIRED)) {
        pDC->SetTextColor(RGB(255, 0, 0));
    }
    return brush;
}
