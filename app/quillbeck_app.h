// The application object: the program's whole life is its instance initialisation.
#pragma once

#include "framework/app.h"

class CQuillbeckApp : public CWinAppEx {
public:
    CQuillbeckApp();
    ~CQuillbeckApp() override;

    BOOL InitInstance() override;

    // Removes the folder with everything beneath it, as far as it can be removed.
    void DeleteFolderTree(CString folderPath);

    CString m_strVersionFilePath;  // the version file's path on the update server
    CString m_strAppFolder;        // the Program folder, set at start-up

    DECLARE_MESSAGE_MAP()
};

// The one application object.
extern CQuillbeckApp theApp;
