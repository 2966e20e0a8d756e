// The update check that runs before any window opens.
#include "file_deletion.h"
#include "folders.h"
#include "framework/files.h"
#include "framework/module.h"
#include "framework/profile.h"
#include "framework/toolhelp.h"
#include "process_guard.h"
#include "quillbeck_app.h"
#include "update_dlg.h"
#include "version_file_fetch.h"
#include "version_numbers.h"

namespace {

constexpr const char kVersionSection[] = "Version Info";
constexpr DWORD kValueRoom = 260;

}  // namespace

void CQuillbeckApp::CheckForUpdate() {
    VersionNumber own;
    VersionNumber server;

    char executablePath[1024] = {};
    GetModuleFileNameA(nullptr, executablePath, 1023);

    // Without an application-data folder the check has nowhere of its own to write or to
    // remove anything: it is skipped, as after a failed fetch.
    const CString appDataFolder = GetAppDataFolder();
    if (appDataFolder.empty()) return;
    const CString localCopy = appDataFolder + "Version.ini";
    CString ownText;
    CString serverText;
    char fileName[kValueRoom] = {};
    char version[kValueRoom] = {};

    if (DownloadVersionFile(m_strVersionFilePath, localCopy)) {
        GetPrivateProfileStringA(kVersionSection, "FileName", nullptr, fileName, kValueRoom,
                                 localCopy.c_str());

        // The client or the updater is running: leave them be and end at once.
        DWORD processId = 0;
        if (FindRunningProcess(fileName, processId) ||
            FindRunningProcess("Update.exe", processId)) {
            DeleteFileIfThere(localCopy);
            TerminateProcess(GetCurrentProcess(), 0);
        }

        // Looked up afresh: a folder that can no longer be found holds no cache to remove.
        const CString cacheParent = GetAppDataFolder();
        const CString cacheFolder = cacheParent + "Nolva Client";
        const DWORD cacheAttributes = GetFileAttributesA(cacheFolder.c_str());
        if (!cacheParent.empty() && cacheAttributes != INVALID_FILE_ATTRIBUTES &&
            (cacheAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            DeleteFolderTree(cacheFolder);
        }

        if (GetFileVersionString(executablePath, ownText)) SplitVersion(ownText, own);

        GetPrivateProfileStringA(kVersionSection, "Version", nullptr, version, kValueRoom,
                                 localCopy.c_str());
        serverText = version;
        SplitVersion(serverText, server);

        if (CompareVersions(own, server) == VersionOrder::kServerNewer) {
            CUpdateDlg prompt(nullptr);
            prompt.m_strAppFolder = m_strAppFolder;
            prompt.DoModal();
        }
    }

    DeleteFileIfThere(localCopy);
}
