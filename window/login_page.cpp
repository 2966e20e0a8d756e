// The window's set-up when it opens, and its one navigation: the login page.
#include <string>

#include "framework/mbstring.h"
#include "framework/module.h"
#include "quillbeck_dlg.h"

BOOL CQuillbeckDlg::OnInitDialog() {
    CDHtmlDialog::OnInitDialog();
    // Without a web view the base has destroyed the window; there is nothing to set up.
    if (m_hWnd == nullptr) return TRUE;

    SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    // Keep the page's scroll bars: only the 3-D border goes.
    SetHostFlags(DOCHOSTUIFLAG_NO3DBORDER);
    ModifyStyle(0, WS_THICKFRAME, 0);
    SetWindowText("Nolva Client 1");
    SendMessageA(m_hWnd, WM_SYSCOMMAND, SC_MAXIMIZE, 0);

    NavigateToLoginPage(*this);
    return TRUE;
}

namespace {

// The running executable's full path, read with room for 260 characters first and again with
// more room while it does not fit: a cut path names another folder than the program's. Empty
// when the path cannot be read.
std::string ExecutablePath() {
    constexpr DWORD kFirstRoom = 260;
    constexpr DWORD kMostRoom = 32768;  // the longest path the system knows
    for (DWORD room = kFirstRoom; room <= kMostRoom; room *= 2) {
        std::string path(room + 1, '\0');
        const DWORD length = GetModuleFileNameA(nullptr, path.data(), room);
        if (length < room) {
            path.resize(length);
            return path;
        }
    }
    return {};
}

}  // namespace

int NavigateToLoginPage(CDHtmlDialog& dialog) {
    const std::string path = ExecutablePath();
    // Without its own folder the program has no login page to show.
    if (path.empty()) return 1;

    const auto* text = reinterpret_cast<const unsigned char*>(path.c_str());
    const unsigned char* separator = _mbsrchr(text, static_cast<unsigned char>(PATH_SEPARATOR));
    const CString folder = separator != nullptr
                               ? path.substr(0, static_cast<size_t>(separator - text) + 1)
                               : CString();

    CString url = folder;
    url += "new-trunk";
    url += PATH_SEPARATOR;
    url += "login.html?ParlomaxLogin";
    url.insert(0, FILE_URL_SCHEME);

    dialog.Navigate(url.c_str(), 0, nullptr, nullptr, nullptr, 0);
    return 1;
}
