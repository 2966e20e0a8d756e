// The application object and the program's entry routine.
#pragma once

#include "framework/cmd_target.h"

class CWnd;

class CWinApp : public CCmdTarget {
public:
    explicit CWinApp(const char* lpszAppName = nullptr);
    ~CWinApp() override;

    virtual BOOL InitApplication();
    virtual BOOL InitInstance();
    // Runs the toolkit's main loop while a main window exists.
    virtual int Run();
    // The exit code of the ordinary end.
    virtual int ExitInstance();

    void SetRegistryKey(const char* lpszRegistryKey);

    // The framework's help handler. No help system exists on this platform.
    afx_msg void OnHelp();

    CWnd* m_pMainWnd = nullptr;
    CString m_pszAppName;      // the executable's base name when none is given
    CString m_pszRegistryKey;  // kept, never written
    CString m_pszProfileName;

    DECLARE_MESSAGE_MAP()
};

// The extended application class; bResourceSmartUpdate has no effect on this platform.
class CWinAppEx : public CWinApp {
public:
    explicit CWinAppEx(BOOL bResourceSmartUpdate = FALSE);
    BOOL m_bResourceSmartUpdate;
};

// The one application object, or nullptr before it is constructed.
CWinApp* AfxGetApp();

// The framework's entry routine: runs the application's InitInstance once and gives the
// exit code of the exit processing.
int AfxWinMain(int argc, char** argv);
