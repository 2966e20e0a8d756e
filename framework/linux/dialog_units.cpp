#include "dialog_units.h"

#include <pango/pangocairo.h>

#include <memory>

#include "gobject_ptr.h"

namespace framework::backend {

namespace {
struct FontDescriptionFree {
    void operator()(PangoFontDescription* description) const {
        pango_font_description_free(description);
    }
};
struct FontMetricsUnref {
    void operator()(PangoFontMetrics* metrics) const { pango_font_metrics_unref(metrics); }
};
}  // namespace

PangoFontDescription* TemplateFont(const DialogFontTemplate& font) {
    PangoFontDescription* description = pango_font_description_new();
    pango_font_description_set_family(description, "Sans");
    pango_font_description_set_size(description,
                                    (font.pointSize > 0 ? font.pointSize : 8) * PANGO_SCALE);
    if (font.weight >= 100 && font.weight <= 1000) {
        pango_font_description_set_weight(description, static_cast<PangoWeight>(font.weight));
    }
    if (font.italic != 0) pango_font_description_set_style(description, PANGO_STYLE_ITALIC);
    return description;
}

DialogBaseUnits BaseUnitsOf(const DialogFontTemplate& font) {
    std::unique_ptr<PangoFontDescription, FontDescriptionFree> description(TemplateFont(font));
    GObjectPtr<PangoContext> context(
        pango_font_map_create_context(pango_cairo_font_map_get_default()));
    GObjectPtr<PangoLayout> layout(pango_layout_new(context.get()));
    pango_layout_set_font_description(layout.get(), description.get());
    pango_layout_set_text(layout.get(), "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", -1);
    int width = 0;
    int height = 0;
    pango_layout_get_pixel_size(layout.get(), &width, &height);
    std::unique_ptr<PangoFontMetrics, FontMetricsUnref> metrics(
        pango_context_get_metrics(context.get(), description.get(), nullptr));
    const int charHeight = PANGO_PIXELS(pango_font_metrics_get_ascent(metrics.get()) +
                                        pango_font_metrics_get_descent(metrics.get()));
    // The average width as the Windows dialog manager rounds it.
    const int charWidth = (width / 26 + 1) / 2;
    return {charWidth > 0 ? charWidth : 6,
            charHeight > 0 ? charHeight : (height > 0 ? height : 13)};
}

}  // namespace framework::backend
