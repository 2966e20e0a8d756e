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

// The update prompt.
const DialogItemTemplate kUpdateItems[] = {
    {IDC_YES, "button", "Yes", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 0,
     46, 40, 51, 13},
    {IDC_NO, "button", "No", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0,
     151, 40, 51, 13},
    {IDC_QUESTION, "static", "New client software update is available ! Do you want to upgrade?",
     WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT, 0, 0, 29, 9, 219, 14},
    {IDC_REQUIRED, "static", "Upgrade is required!", WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT, 0, 0,
     96, 29, 68, 11},
};

const DialogTemplate kUpdateDialog = {
    IDD_UPDATE_DIALOG,
    WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
    0,
    0,
    0, 0, 255, 58,
    "Update",
    {9, 400, 0, 0, "Microsoft Sans Serif"},
    kUpdateItems,
};

const DialogTemplate kDialogs[] = {kMainDialog, kUpdateDialog};

const IconResource kIcons[] = {
    {IDR_MAINFRAME, {kIcon115Png, kIcon115Png_size}},
};

const ResourceModule kModule = {kDialogs, kIcons};

}  // namespace

HINSTANCE AfxGetResourceHandle() { return &kModule; }
