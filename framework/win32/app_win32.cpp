// The application on Win32: its message loop, its resources and the control container.
#include "framework/app.h"
#include "framework/common_controls.h"
#include "framework/module.h"
#include "framework/wnd.h"

namespace {

// OLE set up on the program's thread for the controls that dialogs host, and let go at exit.
class OleScope {
public:
    OleScope() : m_result(OleInitialize(nullptr)) {}
    ~OleScope() {
        if (SUCCEEDED(m_result)) OleUninitialize();
    }
    OleScope(const OleScope&) = delete;
    OleScope& operator=(const OleScope&) = delete;

private:
    HRESULT m_result;
};

}  // namespace

HINSTANCE AfxGetResourceHandle() { return GetModuleHandleA(nullptr); }

void AfxEnableControlContainer(void*) { static const OleScope ole; }

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::Run() {
    MSG message{};
    while (m_pMainWnd != nullptr && m_pMainWnd->GetSafeHwnd() != nullptr) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0 || got == -1) break;
        if (m_pMainWnd->PreTranslateMessage(&message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return ExitInstance();
}
