// The web view dialog on Win32, for now without the browser control: the dialog keeps the host
// flags and the address it was sent to, and its client area stays empty.
#include <map>

#include "dhtml_navigation.h"

namespace {

std::map<const CDHtmlDialog*, CString>& RequestedUrls() {
    static std::map<const CDHtmlDialog*, CString> urls;
    return urls;
}

}  // namespace

CDHtmlDialog::CDHtmlDialog(UINT nIDTemplate, UINT nHtmlResID, CWnd* pParentWnd)
    : CDialog(nIDTemplate, pParentWnd), m_nHtmlResID(nHtmlResID) {}

CDHtmlDialog::~CDHtmlDialog() { RequestedUrls().erase(this); }

BOOL CDHtmlDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    return TRUE;
}

void CDHtmlDialog::SetHostFlags(DWORD dwFlags) { m_dwHostFlags = dwFlags; }

void CDHtmlDialog::Navigate(const char* url, DWORD, const char*, const char*, const void*, DWORD) {
    if (m_hWnd == nullptr || url == nullptr) return;
    RequestedUrls()[this] = url;
}

const CString* framework::win32::RequestedUrl(const CDHtmlDialog& dialog) {
    const auto found = RequestedUrls().find(&dialog);
    return found != RequestedUrls().end() ? &found->second : nullptr;
}
