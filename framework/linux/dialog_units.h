// Dialog units: a quarter of the template font's average character width across, an eighth
// of its character height down.
#pragma once

#include <pango/pango.h>

#include "framework/resources.h"

namespace framework::backend {

struct DialogBaseUnits {
    int charWidth;   // pixels for 4 horizontal dialog units
    int charHeight;  // pixels for 8 vertical dialog units
    int ToPixelsX(int units) const { return (units * charWidth + 2) / 4; }
    int ToPixelsY(int units) const { return (units * charHeight + 4) / 8; }
};

// The template's font; the Windows faces fall back to the system's sans font. Caller frees.
PangoFontDescription* TemplateFont(const DialogFontTemplate& font);

DialogBaseUnits BaseUnitsOf(const DialogFontTemplate& font);

}  // namespace framework::backend
