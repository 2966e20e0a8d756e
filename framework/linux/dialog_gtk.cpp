// Dialogs on GTK: a toplevel window built from the template, its controls at their dialog-unit
// positions, the dialog manager's keyboard handling and a nested main loop per modal run.
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "dialog_units.h"
#include "framework/app.h"
#include "framework/dialog.h"
#include "framework/module.h"
#include "framework/resources.h"
#include "gobject_ptr.h"
#include "window_handle.h"

namespace framework::backend {

namespace {

std::map<const CDialog*, GMainLoop*>& ModalLoops() {
    static std::map<const CDialog*, GMainLoop*> loops;
    return loops;
}

bool IsPushButton(HWND control) {
    return control->widget != nullptr && GTK_IS_BUTTON(control->widget);
}

bool IsDefaultPushButton(HWND control) {
    return IsPushButton(control) && (control->style & 0x0F) == BS_DEFPUSHBUTTON;
}

void ApplyFont(GtkWidget* window, const DialogFontTemplate& font) {
    // Font properties are inherited, so the window's font reaches every control.
    char css[160];
    std::snprintf(css, sizeof(css), "* { font-family: Sans; font-size: %upt; %s }",
                  font.pointSize > 0 ? font.pointSize : 8u,
                  font.italic != 0 ? "font-style: italic;" : "");
    GObjectPtr<GtkCssProvider> provider(gtk_css_provider_new());
    gtk_css_provider_load_from_data(provider.get(), css, -1, nullptr);
    gtk_style_context_add_provider(gtk_widget_get_style_context(window),
                                   GTK_STYLE_PROVIDER(provider.get()),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}

gboolean OnKeyPress(GtkWidget* widget, GdkEventKey* event, gpointer data) {
    HWND dialogHandle = static_cast<HWND>(data);
    if (!IsLiveHandle(dialogHandle) || dialogHandle->wnd == nullptr) return FALSE;
    CWnd* dialog = dialogHandle->wnd;

    HWND target = nullptr;
    if (GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(widget))) target = HandleOfWidget(focus);
    const bool alt = (event->state & GDK_MOD1_MASK) != 0 || event->keyval == GDK_KEY_Alt_L ||
                     event->keyval == GDK_KEY_Alt_R;
    MSG message{target != nullptr ? target : dialogHandle, alt ? WM_SYSKEYDOWN : WM_KEYDOWN,
                VirtualKeyOf(event->keyval),
                static_cast<LPARAM>(1 | (static_cast<LPARAM>(event->hardware_keycode) << 16))};

    // Offered to the dialog, then to the application's main window, before the focused
    // widget sees the key.
    if (dialog->PreTranslateMessage(&message)) return TRUE;
    CWinApp* app = AfxGetApp();
    if (app != nullptr && app->m_pMainWnd != nullptr && app->m_pMainWnd != dialog &&
        app->m_pMainWnd->GetSafeHwnd() != nullptr &&
        app->m_pMainWnd->PreTranslateMessage(&message)) {
        return TRUE;
    }
    return FALSE;
}

gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer data) {
    HWND handle = static_cast<HWND>(data);
    if (IsLiveHandle(handle) && handle->wnd != nullptr) handle->wnd->SendMessage(WM_CLOSE);
    return TRUE;  // the dialog decides; the toolkit never destroys it on its own
}

gboolean OnConfigure(GtkWidget*, GdkEvent*, gpointer data) {
    UpdateSizeHints(static_cast<HWND>(data));
    return FALSE;
}

void OnRealize(GtkWidget*, gpointer data) { ApplyWindowFunctions(static_cast<HWND>(data)); }

void OnClicked(GtkButton*, gpointer data) {
    HWND control = static_cast<HWND>(data);
    if (!IsLiveHandle(control) || !IsLiveHandle(control->parent)) return;
    control->parent->wnd->SendMessage(WM_COMMAND,
                                      MAKEWPARAM(static_cast<WORD>(control->id), BN_CLICKED),
                                      reinterpret_cast<LPARAM>(control));
}

GtkWidget* CreateControl(const DialogItemTemplate& item) {
    const std::string windowClass = item.windowClass != nullptr ? item.windowClass : "";
    const char* text = item.text != nullptr ? item.text : "";
    if (windowClass == "button") {
        GtkWidget* button = gtk_button_new_with_label(text);
        gtk_widget_set_can_focus(button, (item.style & WS_TABSTOP) != 0);
        return button;
    }
    GtkWidget* label = gtk_label_new(text);
    gtk_label_set_xalign(GTK_LABEL(label), 0.0F);
    gtk_label_set_yalign(GTK_LABEL(label), 0.0F);
    // One line, as laid out in the template; a text wider than its box runs on.
    gtk_label_set_line_wrap(GTK_LABEL(label), FALSE);
    return label;
}

HWND CreateDialogWindow(CDialog& dialog, const DialogTemplate& tpl) {
    HWND handle = CreateHandle(&dialog);
    handle->style = tpl.style;

    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    handle->widget = window;
    gtk_window_set_title(GTK_WINDOW(window), tpl.caption != nullptr ? tpl.caption : "");
    ApplyFont(window, tpl.font);

    handle->overlay = gtk_overlay_new();
    handle->fixed = gtk_fixed_new();
    gtk_container_add(GTK_CONTAINER(handle->overlay), handle->fixed);
    gtk_container_add(GTK_CONTAINER(window), handle->overlay);

    const DialogBaseUnits units = BaseUnitsOf(tpl.font);
    const int width = units.ToPixelsX(tpl.cx);
    const int height = units.ToPixelsY(tpl.cy);
    if ((tpl.style & WS_THICKFRAME) != 0) {
        gtk_window_set_default_size(GTK_WINDOW(window), width, height);
    } else {
        gtk_widget_set_size_request(handle->fixed, width, height);
    }
    gtk_window_set_resizable(GTK_WINDOW(window), (tpl.style & WS_THICKFRAME) != 0);
    // Without a minimise box the window is a dialog to the window manager, which then
    // offers no minimise either.
    if ((tpl.style & WS_MINIMIZEBOX) == 0) {
        gtk_window_set_type_hint(GTK_WINDOW(window), GDK_WINDOW_TYPE_HINT_DIALOG);
    }

    GList* focusChain = nullptr;
    for (const DialogItemTemplate& item : tpl.items) {
        GtkWidget* widget = CreateControl(item);
        gtk_widget_set_size_request(widget, units.ToPixelsX(item.cx), units.ToPixelsY(item.cy));
        gtk_fixed_put(GTK_FIXED(handle->fixed), widget, units.ToPixelsX(item.x),
                      units.ToPixelsY(item.y));

        auto object = std::make_unique<CWnd>();
        HWND control = CreateHandle(object.get());
        object->m_hWnd = control;
        control->widget = widget;
        control->parent = handle;
        control->id = item.id;
        control->style = item.style;
        handle->controls.push_back(control);
        handle->controlObjects.push_back(std::move(object));

        if (GTK_IS_BUTTON(widget))
            g_signal_connect(widget, "clicked", G_CALLBACK(OnClicked), control);
        if ((item.style & WS_TABSTOP) != 0) focusChain = g_list_append(focusChain, widget);
    }
    if (focusChain != nullptr) {
        // Tab moves through the controls in template order, as the dialog manager does.
        G_GNUC_BEGIN_IGNORE_DEPRECATIONS
        gtk_container_set_focus_chain(GTK_CONTAINER(handle->fixed), focusChain);
        G_GNUC_END_IGNORE_DEPRECATIONS
        g_list_free(focusChain);
    }

    g_signal_connect(window, "key-press-event", G_CALLBACK(OnKeyPress), handle);
    g_signal_connect(window, "delete-event", G_CALLBACK(OnDelete), handle);
    g_signal_connect(window, "configure-event", G_CALLBACK(OnConfigure), handle);
    g_signal_connect(window, "realize", G_CALLBACK(OnRealize), handle);
    UpdateSizeHints(handle);
    return handle;
}

// What the dialog manager does once the dialog's initialisation has run, before it is shown.
void FinishInitDialog(HWND handle, const DialogTemplate& tpl, BOOL chooseFocus) {
    for (HWND control : handle->controls) {
        if (!GTK_IS_LABEL(control->widget)) continue;
        CDC dc;
        AFX_CTLCOLOR request{&dc, control->wnd, CTLCOLOR_STATIC};
        handle->wnd->SendMessage(WM_CTLCOLOR, 0, reinterpret_cast<LPARAM>(&request));
        if (const std::optional<COLORREF> color = dc.ChosenTextColor()) {
            PangoAttrList* attributes = pango_attr_list_new();
            pango_attr_list_insert(
                attributes,
                pango_attr_foreground_new(static_cast<guint16>((*color & 0xFF) * 257),
                                          static_cast<guint16>(((*color >> 8) & 0xFF) * 257),
                                          static_cast<guint16>(((*color >> 16) & 0xFF) * 257)));
            gtk_label_set_attributes(GTK_LABEL(control->widget), attributes);
            pango_attr_list_unref(attributes);
        }
    }

    GtkWindow* window = GTK_WINDOW(handle->widget);
    for (HWND control : handle->controls) {
        if (IsDefaultPushButton(control)) {
            gtk_widget_set_can_default(control->widget, TRUE);
            gtk_window_set_default(window, control->widget);
            break;
        }
    }
    if (chooseFocus) {
        GtkWidget* first = handle->webView;
        for (HWND control : handle->controls) {
            if ((control->style & WS_TABSTOP) != 0) {
                first = control->widget;
                break;
            }
        }
        handle->initialFocus = first;
    }
    // A dialog not placed by its template is centred once it is initialised.
    if ((tpl.style & DS_CENTER) != 0 ||
        ((tpl.style & WS_VISIBLE) == 0 && tpl.x == 0 && tpl.y == 0)) {
        gtk_window_set_position(window, GTK_WIN_POS_CENTER);
    }
}

// The id that Enter clicks: the focused push button, else the default push button, else OK.
UINT EnterCommandOf(HWND handle) {
    if (GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(handle->widget))) {
        for (HWND control : handle->controls) {
            if (control->widget == focus && IsPushButton(control))
                return static_cast<UINT>(control->id);
        }
    }
    for (HWND control : handle->controls) {
        if (IsDefaultPushButton(control)) return static_cast<UINT>(control->id);
    }
    return IDOK;
}

}  // namespace

}  // namespace framework::backend

using namespace framework::backend;

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDHelp(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() { ModalLoops().erase(this); }

INT_PTR CDialog::DoModal() {
    if (!SetUpToolkit()) return -1;
    const DialogTemplate* tpl = FindDialogTemplate(AfxGetResourceHandle(), m_nIDHelp);
    if (tpl == nullptr) return -1;

    m_endRequested = false;
    m_nModalResult = -1;
    m_hWnd = CreateDialogWindow(*this, *tpl);
    const BOOL chooseFocus = OnInitDialog();
    if (!IsLiveHandle(m_hWnd)) {
        m_hWnd = nullptr;
        return -1;
    }
    FinishInitDialog(m_hWnd, *tpl, chooseFocus);
    gtk_widget_show_all(m_hWnd->widget);
    // Focus given once the window is shown, so that its containers track it for Tab.
    if (m_hWnd->initialFocus != nullptr) gtk_widget_grab_focus(m_hWnd->initialFocus);

    if (!m_endRequested) {
        GMainLoopPtr loop(g_main_loop_new(nullptr, FALSE));
        ModalLoops()[this] = loop.get();
        g_main_loop_run(loop.get());
        ModalLoops().erase(this);
    }
    const int result = m_nModalResult;
    DestroyWindow();
    // Let the toolkit take the window off the screen before the caller goes on.
    while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
    return result;
}

void CDialog::EndDialog(int nResult) {
    m_nModalResult = nResult;
    m_endRequested = true;
    if (auto found = ModalLoops().find(this); found != ModalLoops().end()) {
        g_main_loop_quit(found->second);
    }
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg) {
    if (pMsg->message != WM_KEYDOWN || !IsLiveHandle(m_hWnd)) return FALSE;
    if (pMsg->wParam == VK_ESCAPE) {
        SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return TRUE;
    }
    if (pMsg->wParam == VK_RETURN) {
        SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(EnterCommandOf(m_hWnd)), BN_CLICKED),
                    0);
        return TRUE;
    }
    return FALSE;
}
