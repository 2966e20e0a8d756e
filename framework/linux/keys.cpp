#include <gdk/gdkkeysyms.h>

#include "window_handle.h"

namespace framework::backend {

WPARAM VirtualKeyOf(guint keyval) {
    switch (keyval) {
        case GDK_KEY_Escape:
            return 0x1B;
        case GDK_KEY_Return:
        case GDK_KEY_KP_Enter:
        case GDK_KEY_ISO_Enter:
            return 0x0D;
        case GDK_KEY_Tab:
        case GDK_KEY_ISO_Left_Tab:
            return 0x09;
        case GDK_KEY_BackSpace:
            return 0x08;
        case GDK_KEY_space:
            return 0x20;
        case GDK_KEY_Shift_L:
        case GDK_KEY_Shift_R:
            return 0x10;
        case GDK_KEY_Control_L:
        case GDK_KEY_Control_R:
            return 0x11;
        case GDK_KEY_Alt_L:
        case GDK_KEY_Alt_R:
            return 0x12;
        case GDK_KEY_Left:
            return 0x25;
        case GDK_KEY_Up:
            return 0x26;
        case GDK_KEY_Right:
            return 0x27;
        case GDK_KEY_Down:
            return 0x28;
        case GDK_KEY_Delete:
            return 0x2E;
        default:
            break;
    }
    if (keyval >= GDK_KEY_F1 && keyval <= GDK_KEY_F12) return 0x70 + (keyval - GDK_KEY_F1);
    if (keyval >= GDK_KEY_0 && keyval <= GDK_KEY_9) return '0' + (keyval - GDK_KEY_0);
    const guint upper = gdk_keyval_to_upper(keyval);
    if (upper >= GDK_KEY_A && upper <= GDK_KEY_Z) return 'A' + (upper - GDK_KEY_A);
    return 0;
}

}  // namespace framework::backend
