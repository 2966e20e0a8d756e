// Windows on GTK: the handle registry and what every window does by default.
#include <algorithm>
#include <map>
#include <memory>

#include "backend/window.h"
#include "framework/app.h"
#include "framework/messages.h"
#include "icon_store.h"
#include "window_handle.h"

namespace framework::backend {

namespace {
std::map<HWND, std::unique_ptr<HWND__>>& Handles() {
    static std::map<HWND, std::unique_ptr<HWND__>> handles;
    return handles;
}

bool IsToplevel(HWND handle) { return handle->widget != nullptr && GTK_IS_WINDOW(handle->widget); }
}  // namespace

HWND CreateHandle(CWnd* wnd) {
    auto handle = std::make_unique<HWND__>();
    handle->wnd = wnd;
    HWND raw = handle.get();
    Handles().emplace(raw, std::move(handle));
    return raw;
}

void DestroyHandle(HWND handle) { Handles().erase(handle); }

bool IsLiveHandle(HWND handle) { return handle != nullptr && Handles().contains(handle); }

HWND HandleOfWidget(GtkWidget* widget) {
    for (const auto& [raw, handle] : Handles()) {
        if (handle->widget == widget) return raw;
    }
    return nullptr;
}

void UpdateSizeHints(HWND handle) {
    if (!IsLiveHandle(handle) || !IsToplevel(handle) || handle->wnd == nullptr) return;
    GdkWindow* surface = gtk_widget_get_window(handle->widget);
    GdkDisplay* display = gdk_display_get_default();

    MINMAXINFO info{};
    GdkMonitor* monitor = surface != nullptr ? gdk_display_get_monitor_at_window(display, surface)
                                             : gdk_display_get_primary_monitor(display);
    if (monitor != nullptr) {
        GdkRectangle area{};
        gdk_monitor_get_workarea(monitor, &area);
        info.ptMaxSize = {area.width, area.height};
        info.ptMaxPosition = {area.x, area.y};
        info.ptMaxTrackSize = {area.width, area.height};
    }
    handle->wnd->SendMessage(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    if (info.ptMinTrackSize.x <= 0 && info.ptMinTrackSize.y <= 0) return;

    // The minimum tracking size counts the whole window; the toolkit's hint counts the
    // client area, so the window manager's frame comes off.
    int frameWidth = 0;
    int frameHeight = 0;
    if (surface != nullptr && gtk_widget_get_mapped(handle->widget)) {
        GdkRectangle frame{};
        gdk_window_get_frame_extents(surface, &frame);
        frameWidth = std::max(0, frame.width - gdk_window_get_width(surface));
        frameHeight = std::max(0, frame.height - gdk_window_get_height(surface));
    }
    GdkGeometry hints{};
    hints.min_width = std::max(1, static_cast<int>(info.ptMinTrackSize.x) - frameWidth);
    hints.min_height = std::max(1, static_cast<int>(info.ptMinTrackSize.y) - frameHeight);
    if (hints.min_width == handle->appliedMinSize.x &&
        hints.min_height == handle->appliedMinSize.y) {
        return;
    }
    handle->appliedMinSize = {hints.min_width, hints.min_height};
    gtk_window_set_geometry_hints(GTK_WINDOW(handle->widget), nullptr, &hints, GDK_HINT_MIN_SIZE);
}

void ApplyWindowFunctions(HWND handle) {
    if (!IsToplevel(handle)) return;
    GdkWindow* surface = gtk_widget_get_window(handle->widget);
    if (surface == nullptr) return;
    const DWORD style = handle->style;
    int functions = GDK_FUNC_MOVE | GDK_FUNC_CLOSE;
    int decorations = GDK_DECOR_BORDER | GDK_DECOR_TITLE | GDK_DECOR_MENU;
    if ((style & WS_THICKFRAME) != 0) {
        functions |= GDK_FUNC_RESIZE;
        decorations |= GDK_DECOR_RESIZEH;
    }
    if ((style & WS_MINIMIZEBOX) != 0) {
        functions |= GDK_FUNC_MINIMIZE;
        decorations |= GDK_DECOR_MINIMIZE;
    }
    if ((style & WS_MAXIMIZEBOX) != 0) {
        functions |= GDK_FUNC_MAXIMIZE;
        decorations |= GDK_DECOR_MAXIMIZE;
    }
    gdk_window_set_functions(surface, static_cast<GdkWMFunction>(functions));
    gdk_window_set_decorations(surface, static_cast<GdkWMDecoration>(decorations));
}

}  // namespace framework::backend

using namespace framework::backend;

CWnd* CWnd::FromHandle(HWND hWnd) { return IsLiveHandle(hWnd) ? hWnd->wnd : nullptr; }

void CWnd::SetWindowText(const char* text) {
    if (!IsLiveHandle(m_hWnd) || m_hWnd->widget == nullptr) return;
    GtkWidget* widget = m_hWnd->widget;
    if (GTK_IS_WINDOW(widget)) {
        gtk_window_set_title(GTK_WINDOW(widget), text);
    } else if (GTK_IS_BUTTON(widget)) {
        gtk_button_set_label(GTK_BUTTON(widget), text);
    } else if (GTK_IS_LABEL(widget)) {
        gtk_label_set_text(GTK_LABEL(widget), text);
    }
}

CString CWnd::GetWindowText() const {
    if (!IsLiveHandle(m_hWnd) || m_hWnd->widget == nullptr) return {};
    GtkWidget* widget = m_hWnd->widget;
    const char* text = nullptr;
    if (GTK_IS_WINDOW(widget)) {
        text = gtk_window_get_title(GTK_WINDOW(widget));
    } else if (GTK_IS_BUTTON(widget)) {
        text = gtk_button_get_label(GTK_BUTTON(widget));
    } else if (GTK_IS_LABEL(widget)) {
        text = gtk_label_get_text(GTK_LABEL(widget));
    }
    return text != nullptr ? text : "";
}

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add, UINT) {
    if (!IsLiveHandle(m_hWnd)) return FALSE;
    const DWORD before = m_hWnd->style;
    const DWORD after = (before & ~remove) | add;
    if (after == before) return FALSE;
    m_hWnd->style = after;
    if (GtkWidget* widget = m_hWnd->widget; widget != nullptr && GTK_IS_WINDOW(widget)) {
        const bool sizable = (after & WS_THICKFRAME) != 0;
        if (sizable && (before & WS_THICKFRAME) == 0) {
            // The template's size becomes the window's initial size, no longer its minimum.
            int width = 0;
            int height = 0;
            if (m_hWnd->fixed != nullptr) {
                gtk_widget_get_size_request(m_hWnd->fixed, &width, &height);
                gtk_widget_set_size_request(m_hWnd->fixed, -1, -1);
            }
            if (width > 0 && height > 0) {
                gtk_window_set_default_size(GTK_WINDOW(widget), width, height);
            }
        }
        gtk_window_set_resizable(GTK_WINDOW(widget), sizable);
        ApplyWindowFunctions(m_hWnd);
        UpdateSizeHints(m_hWnd);
    }
    return TRUE;
}

DWORD CWnd::GetStyle() const { return IsLiveHandle(m_hWnd) ? m_hWnd->style : 0; }

int CWnd::GetDlgCtrlID() const { return IsLiveHandle(m_hWnd) ? m_hWnd->id : 0; }

CWnd* CWnd::GetDlgItem(int nID) const {
    if (!IsLiveHandle(m_hWnd)) return nullptr;
    for (HWND control : m_hWnd->controls) {
        if (control->id == nID) return control->wnd;
    }
    return nullptr;
}

bool framework::backend::DestroyNativeWindow(HWND handle) {
    if (!IsLiveHandle(handle)) return false;
    for (HWND control : handle->controls) {
        if (control->wnd != nullptr) control->wnd->m_hWnd = nullptr;
        DestroyHandle(control);
    }
    handle->controls.clear();
    GtkWidget* widget = handle->widget;
    handle->widget = nullptr;
    handle->controlObjects.clear();
    DestroyHandle(handle);
    if (widget != nullptr) gtk_widget_destroy(widget);
    return true;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!IsLiveHandle(m_hWnd)) return 0;
    GtkWidget* widget = m_hWnd->widget;
    const bool toplevel = widget != nullptr && GTK_IS_WINDOW(widget);
    switch (message) {
        case WM_SETICON:
            if (toplevel) {
                if (GdkPixbuf* image = IconImage(reinterpret_cast<HICON>(lParam))) {
                    gtk_window_set_icon(GTK_WINDOW(widget), image);
                } else {
                    gtk_window_set_icon(GTK_WINDOW(widget), nullptr);
                }
            }
            return 0;
        case WM_SYSCOMMAND:
            if (toplevel && (wParam & 0xFFF0) == SC_MAXIMIZE)
                gtk_window_maximize(GTK_WINDOW(widget));
            if ((wParam & 0xFFF0) == SC_CLOSE) return SendMessage(WM_CLOSE);
            return 0;
        case WM_CLOSE:
            DestroyWindow();
            return 0;
        case WM_CTLCOLOR:
            if (auto* request = reinterpret_cast<AFX_CTLCOLOR*>(lParam); request && request->pDC) {
                request->pDC->SetDefaultTextColor(RGB(0, 0, 0));
            }
            return 0;
        default:
            return 0;
    }
}
