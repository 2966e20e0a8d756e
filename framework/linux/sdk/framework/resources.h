// The Linux form of the resources a program carries: dialog templates and icons. Each program
// links one resource module of its own, which AfxGetResourceHandle returns.
#pragma once

#include <span>

#include "framework/sdk.h"

// One control of a dialog template; position and size in dialog units.
struct DialogItemTemplate {
    WORD id;
    const char* windowClass;  // "button" or "static"
    const char* text;
    DWORD style;
    DWORD exStyle;
    DWORD helpId;
    short x, y, cx, cy;
};

struct DialogFontTemplate {
    WORD pointSize;
    WORD weight;
    BYTE italic;
    BYTE charset;
    const char* typeface;
};

// A dialog template; position and size in dialog units of its font.
struct DialogTemplate {
    UINT id;
    DWORD style;
    DWORD exStyle;
    DWORD helpId;
    short x, y, cx, cy;
    const char* caption;
    DialogFontTemplate font;
    std::span<const DialogItemTemplate> items;
};

// An icon: one image, stored as PNG data.
struct IconResource {
    UINT id;
    std::span<const unsigned char> png;
};

struct ResourceModule {
    std::span<const DialogTemplate> dialogs;
    std::span<const IconResource> icons;
};

const DialogTemplate* FindDialogTemplate(HINSTANCE module, UINT id);
const IconResource* FindIconResource(HINSTANCE module, UINT id);
