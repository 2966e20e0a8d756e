// Toolkit set-up and the application's own main loop.
#include "framework/app.h"
#include "framework/common_controls.h"
#include "window_handle.h"

namespace framework::backend {

namespace {
enum class Toolkit { kUntried, kReady, kNoDisplay };
Toolkit g_toolkit = Toolkit::kUntried;
}  // namespace

bool SetUpToolkit() {
    if (g_toolkit == Toolkit::kUntried) {
        g_toolkit = gtk_init_check(nullptr, nullptr) ? Toolkit::kReady : Toolkit::kNoDisplay;
    }
    return g_toolkit == Toolkit::kReady;
}

bool ToolkitReady() { return g_toolkit == Toolkit::kReady; }

}  // namespace framework::backend

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX*) {
    return framework::backend::SetUpToolkit() ? TRUE : FALSE;
}

void AfxEnableControlContainer(void*) { framework::backend::SetUpToolkit(); }

BOOL CWinApp::InitInstance() { return framework::backend::SetUpToolkit() ? TRUE : FALSE; }

int CWinApp::Run() {
    while (m_pMainWnd != nullptr && m_pMainWnd->GetSafeHwnd() != nullptr) {
        gtk_main_iteration();
    }
    return ExitInstance();
}
