#include "quillbeck_app.h"

#include "folders.h"
#include "framework/common_controls.h"
#include "quillbeck_dlg.h"

BEGIN_MESSAGE_MAP(CQuillbeckApp, CWinApp)
ON_COMMAND(ID_HELP, &CWinApp::OnHelp)
END_MESSAGE_MAP()

CQuillbeckApp::CQuillbeckApp() : CWinAppEx(TRUE) {
    m_strVersionFilePath = "/Nolva Client/Version.ini";
}

CQuillbeckApp::~CQuillbeckApp() = default;

BOOL CQuillbeckApp::InitInstance() {
    const INITCOMMONCONTROLSEX controls = {sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    m_strAppFolder = GetModuleFolder();
    CheckForUpdate();

    CWinApp::InitInstance();
    AfxEnableControlContainer();
    SetRegistryKey("Local AppWizard-Generated Applications");

    CQuillbeckDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();

    // The dialog's loop was the program's only main loop: the framework ends the program.
    return FALSE;
}
