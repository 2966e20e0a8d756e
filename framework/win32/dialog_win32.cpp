// Dialogs on Win32: the window made from the template resource as a modeless dialog, and the
// layer's own modal loop around it, so that the dialog sees every message before the dialog
// manager does.
#include "framework/app.h"
#include "framework/dialog.h"
#include "framework/module.h"
#include "hosted_browser.h"
#include "window_hook.h"

namespace {

// The dialog's procedure only ties the window to its object; from then on the hook routes
// every message, and this procedure leaves the rest to the dialog manager.
INT_PTR CALLBACK InitialProcedure(HWND handle, UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_INITDIALOG) return FALSE;
    auto* dialog = reinterpret_cast<CDialog*>(lParam);
    if (!framework::win32::AttachWindow(handle, dialog)) return FALSE;
    // TRUE lets the dialog manager give the focus to the first control that takes it.
    return dialog->OnInitDialog();
}

// The window a modal dialog belongs to: the one it was given, else the application's main
// window; disabled while the dialog runs.
HWND OwnerOf(const CDialog& dialog, CWnd* parent) {
    CWnd* owner = parent;
    if (owner == nullptr) {
        if (CWinApp* app = AfxGetApp(); app != nullptr && app->m_pMainWnd != &dialog) {
            owner = app->m_pMainWnd;
        }
    }
    return owner != nullptr ? owner->GetSafeHwnd() : nullptr;
}

// Keeps the owner disabled for the life of a modal run, and enables it again before the dialog
// goes, so that the system activates the owner rather than another program's window.
class DisabledOwner {
public:
    explicit DisabledOwner(HWND owner) {
        if (owner != nullptr && IsWindowEnabled(owner)) {
            m_owner = owner;
            EnableWindow(m_owner, FALSE);
        }
    }
    ~DisabledOwner() { Release(); }
    DisabledOwner(const DisabledOwner&) = delete;
    DisabledOwner& operator=(const DisabledOwner&) = delete;

    void Release() {
        if (m_owner != nullptr && IsWindow(m_owner)) EnableWindow(m_owner, TRUE);
        m_owner = nullptr;
    }

private:
    HWND m_owner = nullptr;
};

// A dialog that its template keeps hidden is shown centred over its owner, or over the work
// area of its monitor.
void ShowCentred(HWND dialog, HWND owner) {
    RECT area{};
    if (owner != nullptr && IsWindowVisible(owner) && !IsIconic(owner)) {
        GetWindowRect(owner, &area);
    } else {
        MONITORINFO monitor{};
        monitor.cbSize = sizeof(monitor);
        GetMonitorInfoA(MonitorFromWindow(dialog, MONITOR_DEFAULTTOPRIMARY), &monitor);
        area = monitor.rcWork;
    }
    RECT own{};
    GetWindowRect(dialog, &own);
    const LONG width = own.right - own.left;
    const LONG height = own.bottom - own.top;
    const LONG x = area.left + (area.right - area.left - width) / 2;
    const LONG y = area.top + (area.bottom - area.top - height) / 2;
    SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(dialog, SW_SHOWNORMAL);
}

// Whether message is for the dialog or a window inside it.
bool IsForDialog(HWND dialog, const MSG& message) {
    return message.hwnd == dialog || (message.hwnd != nullptr && IsChild(dialog, message.hwnd));
}

}  // namespace

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDHelp(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() = default;

INT_PTR CDialog::DoModal() {
    m_endRequested = false;
    m_nModalResult = -1;
    const HWND owner = OwnerOf(*this, m_pParentWnd);
    DisabledOwner disabled(owner);

    const HWND created =
        CreateDialogParamA(AfxGetResourceHandle(), MAKEINTRESOURCEA(m_nIDHelp), owner,
                           &InitialProcedure, reinterpret_cast<LPARAM>(this));
    // No window: the template is missing, or the initialisation destroyed the window (or
    // could not tie it to this object).
    if (created == nullptr || m_hWnd != created) {
        if (created != nullptr && IsWindow(created)) ::DestroyWindow(created);
        return -1;
    }
    if (!m_endRequested && !IsWindowVisible(m_hWnd)) ShowCentred(m_hWnd, owner);

    bool quit = false;
    WPARAM quitCode = 0;
    MSG message{};
    while (!m_endRequested && m_hWnd != nullptr) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0) {
            quit = true;
            quitCode = message.wParam;
            break;
        }
        if (got == -1) break;
        if (m_hWnd != nullptr && IsForDialog(m_hWnd, message)) {
            if (PreTranslateMessage(&message)) continue;
            CWinApp* app = AfxGetApp();
            if (app != nullptr && app->m_pMainWnd != nullptr && app->m_pMainWnd != this &&
                app->m_pMainWnd->GetSafeHwnd() != nullptr &&
                app->m_pMainWnd->PreTranslateMessage(&message)) {
                continue;
            }
            if (m_hWnd != nullptr && IsDialogMessageA(m_hWnd, &message)) continue;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }

    const int result = m_endRequested ? m_nModalResult : -1;
    // The owner comes back before the dialog goes, so that it is the one activated.
    disabled.Release();
    if (m_hWnd != nullptr) DestroyWindow();
    // A quit request ends the loop; it is left for the loop outside this one.
    if (quit) PostQuitMessage(static_cast<int>(quitCode));
    return result;
}

void CDialog::EndDialog(int nResult) {
    m_nModalResult = nResult;
    m_endRequested = true;
    // Wakes the modal loop if it is waiting for a message.
    if (m_hWnd != nullptr) PostMessageA(m_hWnd, WM_NULL, 0, 0);
}

// A control hosted in the dialog translates its own accelerator keys first, as in a browser;
// then the dialog manager (IsDialogMessage, after this) gives Esc, Enter and Tab their meaning.
BOOL CDialog::PreTranslateMessage(MSG* pMsg) {
    return pMsg != nullptr && m_hWnd != nullptr &&
                   framework::win32::TranslateHostedAccelerator(m_hWnd, *pMsg)
               ? TRUE
               : FALSE;
}
