// Prints the Linux form of dialog templates 102 and 131 as JSON, as the Linux backend finds
// them, so that a test can compare them with the templates inside Quillbeck.exe.
#include <cstdio>
#include <string>

#include "framework/module.h"
#include "framework/resources.h"
#include "resource.h"

namespace {

std::string Quoted(const char* text) {
    if (text == nullptr) return "null";
    std::string out = "\"";
    for (const char* p = text; *p != '\0'; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

void PrintDialog(UINT id, const char* separator) {
    const DialogTemplate* dialog = FindDialogTemplate(AfxGetResourceHandle(), id);
    if (dialog == nullptr) {
        std::printf("%s\"%u\": null", separator, id);
        return;
    }
    std::printf("%s\"%u\": {\"style\": %u, \"exStyle\": %u, \"helpId\": %u, \"x\": %d, \"y\": %d, "
                "\"cx\": %d, \"cy\": %d, \"caption\": %s, \"font\": {\"pointSize\": %u, "
                "\"weight\": %u, \"italic\": %u, \"charset\": %u, \"typeface\": %s}, \"items\": [",
                separator, id, unsigned{dialog->style}, unsigned{dialog->exStyle},
                unsigned{dialog->helpId}, dialog->x, dialog->y, dialog->cx, dialog->cy,
                Quoted(dialog->caption).c_str(), unsigned{dialog->font.pointSize},
                unsigned{dialog->font.weight}, unsigned{dialog->font.italic},
                unsigned{dialog->font.charset}, Quoted(dialog->font.typeface).c_str());
    const char* item_separator = "";
    for (const DialogItemTemplate& item : dialog->items) {
        std::printf("%s{\"id\": %u, \"windowClass\": %s, \"text\": %s, \"style\": %u, "
                    "\"exStyle\": %u, \"helpId\": %u, \"x\": %d, \"y\": %d, \"cx\": %d, \"cy\": %d}",
                    item_separator, unsigned{item.id}, Quoted(item.windowClass).c_str(),
                    Quoted(item.text).c_str(), unsigned{item.style}, unsigned{item.exStyle},
                    unsigned{item.helpId}, item.x, item.y, item.cx, item.cy);
        item_separator = ", ";
    }
    std::printf("]}");
}

}  // namespace

int main() {
    std::printf("{");
    PrintDialog(IDD_QUILLBECK_DIALOG, "");
    PrintDialog(IDD_UPDATE_DIALOG, ", ");
    std::printf("}\n");
    return 0;
}
