// What a window handle stands for on GTK: a toplevel window or a control widget, and the
// framework object that receives its messages.
#pragma once

#include <gtk/gtk.h>

#include <memory>
#include <vector>

#include "framework/resources.h"
#include "framework/wnd.h"

struct HWND__ {
    CWnd* wnd = nullptr;          // receives the window's messages
    GtkWidget* widget = nullptr;  // the GtkWindow of a dialog, or a control's widget
    HWND__* parent = nullptr;
    DWORD style = 0;
    int id = 0;

    // Dialogs only.
    GtkWidget* overlay = nullptr;  // the client area
    GtkWidget* fixed = nullptr;    // holds the template's controls at their positions
    GtkWidget* webView = nullptr;  // a hosted web view, over the whole client area
    GtkWidget* initialFocus = nullptr;
    std::vector<HWND__*> controls;
    std::vector<std::unique_ptr<CWnd>> controlObjects;  // the controls' framework objects
    POINT appliedMinSize{0, 0};  // client-area minimum last given to the toolkit
};

namespace framework::backend {

// True once the toolkit has been set up with a display.
bool ToolkitReady();
bool SetUpToolkit();

// Registers a new handle for wnd; the registry owns it until DestroyHandle.
HWND CreateHandle(CWnd* wnd);
void DestroyHandle(HWND handle);
bool IsLiveHandle(HWND handle);

// The handle of a window's widget, or nullptr.
HWND HandleOfWidget(GtkWidget* widget);

// Asks the window's minimum tracking size and applies it as the window's minimum size, the
// window manager's frame taken off.
void UpdateSizeHints(HWND handle);
// The window manager's functions (resize, minimise, maximise) that the style allows.
void ApplyWindowFunctions(HWND handle);

// The virtual-key code of a key value, 0 for keys without one.
WPARAM VirtualKeyOf(guint keyval);

}  // namespace framework::backend
