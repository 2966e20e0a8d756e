#include "framework/app.h"

#include <cstring>

#include "framework/module.h"
#include "framework/wnd.h"

namespace {
CWinApp* g_app = nullptr;

// The executable's file name without folder and extension.
CString ModuleBaseName() {
    char path[1024] = {};
    GetModuleFileNameA(nullptr, path, sizeof(path) - 1);
    const char* name = std::strrchr(path, PATH_SEPARATOR);
    CString base = name != nullptr ? name + 1 : path;
    const CString::size_type dot = base.rfind('.');
    if (dot != CString::npos && dot > 0) base.erase(dot);
    return base;
}
}  // namespace

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp(const char* lpszAppName) {
    if (lpszAppName != nullptr) m_pszAppName = lpszAppName;
    g_app = this;
}

CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

CWinApp* AfxGetApp() { return g_app; }

BOOL CWinApp::InitApplication() { return TRUE; }

int CWinApp::ExitInstance() { return 0; }

void CWinApp::SetRegistryKey(const char* lpszRegistryKey) {
    m_pszRegistryKey = lpszRegistryKey;
    m_pszProfileName = m_pszAppName;
}

void CWinApp::OnHelp() {}

CWinAppEx::CWinAppEx(BOOL bResourceSmartUpdate) : m_bResourceSmartUpdate(bResourceSmartUpdate) {}

int AfxWinMain(int, char**) {
    CWinApp* app = AfxGetApp();
    if (app == nullptr) return 1;
    if (app->m_pszAppName.empty()) app->m_pszAppName = ModuleBaseName();
    if (!app->InitApplication() || !app->InitInstance()) {
        if (app->m_pMainWnd != nullptr) app->m_pMainWnd->DestroyWindow();
        return app->ExitInstance();
    }
    return app->Run();
}
