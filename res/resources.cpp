// The program's resource module.
#include <cstddef>

#include "framework/messages.h"
#include "framework/module.h"
#include "resource.h"

extern const unsigned char kIcon115Png[];
extern const std::size_t kIcon115Png_size;

namespace {

// The client window: no controls of its own; the web view is created at run time.
const DialogTemplate kMainDialog = {
    IDD_QUILLBECK_DIALOG,
    WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX |
        DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS,
    WS_EX_APPWINDOW,
    0,
    0, 0, 779, 418,
    "Quillbeck",
    {8, 0, 0, 1, "MS Shell Dlg"},
    {},
};

const DialogTemplate kDialogs[] = {kMainDialog};

const IconResource kIcons[] = {
    {IDR_MAINFRAME, {kIcon115Png, kIcon115Png_size}},
};

const ResourceModule kModule = {kDialogs, kIcons};

}  // namespace

HINSTANCE AfxGetResourceHandle() { return &kModule; }
