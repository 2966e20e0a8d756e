// The application object: the program's whole life is its instance initialisation.
#pragma once

#include "framework/app.h"

class CQuillbeckApp : public CWinAppEx {
public:
    CQuillbeckApp();
    ~CQuillbeckApp() override;

    BOOL InitInstance() override;

    // Fetches the server's version file and acts on it before any window opens. Ends the
    // process itself while the client or the updater runs, or when the user accepts the
    // upgrade; otherwise returns, its local copy deleted.
    void CheckForUpdate();

    // Removes the folder with everything beneath it, as far as it can be removed.
    void DeleteFolderTree(CString folderPath);

    CString m_strVersionFilePath;  // the version file's path on the update server
    CString m_strAppFolder;        // the Program folder, set at start-up

    DECLARE_MESSAGE_MAP()
};

// The one application object.
extern CQuillbeckApp theApp;
