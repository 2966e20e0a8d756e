#include "quillbeck_dlg.h"

#include "framework/module.h"
#include "resource.h"

namespace {
// The smallest the user may make the window, frame included, in pixels.
constexpr LONG kMinTrackWidth = 800;
constexpr LONG kMinTrackHeight = 570;
}  // namespace

BEGIN_MESSAGE_MAP(CQuillbeckDlg, CDHtmlDialog)
ON_WM_GETMINMAXINFO()
END_MESSAGE_MAP()

BEGIN_DHTML_EVENT_MAP(CQuillbeckDlg)
END_DHTML_EVENT_MAP()

CQuillbeckDlg::CQuillbeckDlg() : CDHtmlDialog(IDD_QUILLBECK_DIALOG, 0, nullptr) {
    m_hIcon = LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME));
}

CQuillbeckDlg::~CQuillbeckDlg() = default;

BOOL CQuillbeckDlg::PreTranslateMessage(MSG* pMsg) {
    if (pMsg->message == WM_KEYDOWN && (pMsg->wParam == VK_ESCAPE || pMsg->wParam == VK_RETURN)) {
        return TRUE;
    }
    return CDialog::PreTranslateMessage(pMsg);
}

void CQuillbeckDlg::OnGetMinMaxInfo(MINMAXINFO* lpMMI) {
    lpMMI->ptMinTrackSize.x = kMinTrackWidth;
    lpMMI->ptMinTrackSize.y = kMinTrackHeight;
    Default();
}

void CQuillbeckDlg::OnOK() {}
