// Looks up the Linux form of the resources in a module's tables.
#include "framework/resources.h"

const DialogTemplate* FindDialogTemplate(HINSTANCE module, UINT id) {
    if (module == nullptr) return nullptr;
    for (const DialogTemplate& dialog : module->dialogs) {
        if (dialog.id == id) return &dialog;
    }
    return nullptr;
}

const IconResource* FindIconResource(HINSTANCE module, UINT id) {
    if (module == nullptr) return nullptr;
    for (const IconResource& icon : module->icons) {
        if (icon.id == id) return &icon;
    }
    return nullptr;
}
