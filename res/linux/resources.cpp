// The program's resource module.
#include <cstddef>

#include "framework/messages.h"
#include "framework/module.h"
#include "framework/resources.h"
#include "resource.h"

extern const unsigned char kIcon115Png[];
extern const std::size_t kIcon115Png_size;

namespace {

// clang-format off
// The client window: no controls of its own; the web view is created at run time.
const DialogTemplate kMainDialog = {
    .id = IDD_QUILLBECK_DIALOG,
    .style = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX |
             DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS,
    .exStyle = WS_EX_APPWINDOW,
    .helpId = 0,
    .x = 0, .y = 0, .cx = 779, .cy = 418,
    .caption = "Quillbeck",
    .font = {.pointSize = 8, .weight = 0, .italic = 0, .charset = 1, .typeface = "MS Shell Dlg"},
    .items = {},
};

// The update prompt; the order of its controls is their tab order.
constexpr DWORD kButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
constexpr DWORD kText = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT;
const DialogItemTemplate kUpdateItems[] = {
    {.id = IDC_YES, .windowClass = "button", .text = "Yes", .style = kButton | BS_DEFPUSHBUTTON,
     .exStyle = 0, .helpId = 0, .x = 46, .y = 40, .cx = 51, .cy = 13},
    {.id = IDC_NO, .windowClass = "button", .text = "No", .style = kButton | BS_PUSHBUTTON,
     .exStyle = 0, .helpId = 0, .x = 151, .y = 40, .cx = 51, .cy = 13},
    {.id = IDC_QUESTION, .windowClass = "static",
     .text = "New client software update is available ! Do you want to upgrade?", .style = kText,
     .exStyle = 0, .helpId = 0, .x = 29, .y = 9, .cx = 219, .cy = 14},
    {.id = IDC_REQUIRED, .windowClass = "static", .text = "Upgrade is required!", .style = kText,
     .exStyle = 0, .helpId = 0, .x = 96, .y = 29, .cx = 68, .cy = 11},
};

const DialogTemplate kUpdateDialog = {
    .id = IDD_UPDATE_DIALOG,
    .style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
    .exStyle = 0,
    .helpId = 0,
    .x = 0, .y = 0, .cx = 255, .cy = 58,
    .caption = "Update",
    .font = {.pointSize = 9, .weight = 400, .italic = 0, .charset = 0,
             .typeface = "Microsoft Sans Serif"},
    .items = kUpdateItems,
};

// clang-format on

const DialogTemplate kDialogs[] = {kMainDialog, kUpdateDialog};

const IconResource kIcons[] = {
    {IDR_MAINFRAME, {kIcon115Png, kIcon115Png_size}},
};

const ResourceModule kModule = {kDialogs, kIcons};

}  // namespace

HINSTANCE AfxGetResourceHandle() { return &kModule; }
