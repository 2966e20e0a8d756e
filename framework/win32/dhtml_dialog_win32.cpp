// The web view dialog on Win32: the web browser control in place over the client area, from the
// dialog's initialisation until its window is destroyed.
#include <map>
#include <memory>

#include "browser_control.h"
#include "framework/dhtml_dialog.h"
#include "hosted_browser.h"

using framework::win32::BrowserControl;

namespace {

// One control per dialog window, while that window lives.
std::map<HWND, std::unique_ptr<BrowserControl>>& Controls() {
    static std::map<HWND, std::unique_ptr<BrowserControl>> controls;
    return controls;
}

BrowserControl* ControlOf(HWND dialog) {
    const auto found = Controls().find(dialog);
    return found != Controls().end() ? found->second.get() : nullptr;
}

}  // namespace

IWebBrowser2* framework::win32::HostedBrowser(HWND dialog) {
    BrowserControl* control = ControlOf(dialog);
    return control != nullptr ? control->Browser() : nullptr;
}

bool framework::win32::TranslateHostedAccelerator(HWND dialog, MSG& message) {
    BrowserControl* control = ControlOf(dialog);
    return control != nullptr && control->TranslateAccelerator(message);
}

void framework::win32::TearDownHostedBrowser(HWND dialog) {
    const auto found = Controls().find(dialog);
    if (found == Controls().end()) return;
    // Out of the map first: nothing can reach the control while it is taken down.
    const std::unique_ptr<BrowserControl> control = std::move(found->second);
    Controls().erase(found);
}

CDHtmlDialog::CDHtmlDialog(UINT nIDTemplate, UINT nHtmlResID, CWnd* pParentWnd)
    : CDialog(nIDTemplate, pParentWnd), m_nHtmlResID(nHtmlResID) {}

// The control asks the dialog for its host flags: it goes before the dialog does.
CDHtmlDialog::~CDHtmlDialog() {
    if (m_hWnd != nullptr) framework::win32::TearDownHostedBrowser(m_hWnd);
}

BOOL CDHtmlDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    // The control asks for the flags whenever it makes a document, so it sees the latest.
    auto control = BrowserControl::Create(m_hWnd, [this] { return m_dwHostFlags; });
    if (control == nullptr) {
        DestroyWindow();
        return TRUE;
    }
    Controls()[m_hWnd] = std::move(control);
    return TRUE;
}

LRESULT CDHtmlDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // A window destroyed by the system rather than by DestroyWindow (which takes the control
    // down itself) loses its control here, while the window is still there.
    if (message == WM_DESTROY) framework::win32::TearDownHostedBrowser(m_hWnd);
    const LRESULT result = CDialog::WindowProc(message, wParam, lParam);
    if (message == WM_SIZE && m_hWnd != nullptr) {
        if (BrowserControl* control = ControlOf(m_hWnd)) {
            control->Cover(LOWORD(lParam), HIWORD(lParam));
        }
    }
    return result;
}

void CDHtmlDialog::SetHostFlags(DWORD dwFlags) { m_dwHostFlags = dwFlags; }

void CDHtmlDialog::Navigate(const char* url, DWORD, const char*, const char*, const void*, DWORD) {
    if (m_hWnd == nullptr || url == nullptr) return;
    if (BrowserControl* control = ControlOf(m_hWnd)) control->Navigate(url);
}
