// The web view dialog on WebKitGTK.
#include <webkit2/webkit2.h>

#include "framework/dhtml_dialog.h"
#include "gobject_ptr.h"
#include "window_handle.h"

namespace framework::backend {

namespace {

bool CreateWebView(HWND handle) {
    if (!IsLiveHandle(handle) || handle->overlay == nullptr) return false;
    GObjectPtr<WebKitSettings> settings(webkit_settings_new());
    // No GPU is assumed: software rendering works everywhere.
    webkit_settings_set_hardware_acceleration_policy(settings.get(),
                                                     WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
    GtkWidget* view = webkit_web_view_new_with_settings(settings.get());
    if (view == nullptr) return false;
    gtk_widget_set_hexpand(view, TRUE);
    gtk_widget_set_vexpand(view, TRUE);
    gtk_overlay_add_overlay(GTK_OVERLAY(handle->overlay), view);
    handle->webView = view;
    return true;
}

// The host flags as far as they change what the page shows.
void ApplyHostFlags(HWND handle, DWORD flags) {
    WebKitUserContentManager* content =
        webkit_web_view_get_user_content_manager(WEBKIT_WEB_VIEW(handle->webView));
    webkit_user_content_manager_remove_all_style_sheets(content);
    if ((flags & DOCHOSTUIFLAG_SCROLL_NO) != 0) {
        WebKitUserStyleSheet* sheet = webkit_user_style_sheet_new(
            "html, body { overflow: hidden !important; }", WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
            WEBKIT_USER_STYLE_LEVEL_USER, nullptr, nullptr);
        webkit_user_content_manager_add_style_sheet(content, sheet);
        webkit_user_style_sheet_unref(sheet);
    }
}

}  // namespace

}  // namespace framework::backend

using namespace framework::backend;

CDHtmlDialog::CDHtmlDialog(UINT nIDTemplate, UINT nHtmlResID, CWnd* pParentWnd)
    : CDialog(nIDTemplate, pParentWnd), m_nHtmlResID(nHtmlResID) {}

CDHtmlDialog::~CDHtmlDialog() = default;

BOOL CDHtmlDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    if (!CreateWebView(m_hWnd)) DestroyWindow();
    return TRUE;
}

// The toolkit lays the view over the client area and destroys it with the window.
LRESULT CDHtmlDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return CDialog::WindowProc(message, wParam, lParam);
}

void CDHtmlDialog::SetHostFlags(DWORD dwFlags) { m_dwHostFlags = dwFlags; }

void CDHtmlDialog::Navigate(const char* url, DWORD, const char*, const char*, const void*, DWORD) {
    if (!IsLiveHandle(m_hWnd) || m_hWnd->webView == nullptr || url == nullptr) return;
    ApplyHostFlags(m_hWnd, m_dwHostFlags);
    webkit_web_view_load_uri(WEBKIT_WEB_VIEW(m_hWnd->webView), url);
}
