#include "icon_store.h"

#include <map>
#include <memory>

#include "gobject_ptr.h"

struct HICON__ {
    framework::backend::GObjectPtr<GdkPixbuf> image;
};

namespace framework::backend {

namespace {
GObjectPtr<GdkPixbuf> Decode(const IconResource& resource) {
    GObjectPtr<GdkPixbufLoader> loader(gdk_pixbuf_loader_new());
    const bool written = gdk_pixbuf_loader_write(loader.get(), resource.png.data(),
                                                 resource.png.size(), nullptr) != 0;
    const bool closed = gdk_pixbuf_loader_close(loader.get(), nullptr) != 0;
    if (!written || !closed) return {};
    GdkPixbuf* image = gdk_pixbuf_loader_get_pixbuf(loader.get());
    return image != nullptr ? GObjectPtr<GdkPixbuf>(GDK_PIXBUF(g_object_ref(image)))
                            : GObjectPtr<GdkPixbuf>();
}
}  // namespace

HICON SharedIcon(const IconResource& resource) {
    static std::map<const IconResource*, std::unique_ptr<HICON__>> icons;
    auto found = icons.find(&resource);
    if (found == icons.end()) {
        GObjectPtr<GdkPixbuf> image = Decode(resource);
        if (!image) return nullptr;
        found =
            icons.emplace(&resource, std::make_unique<HICON__>(HICON__{std::move(image)})).first;
    }
    return found->second.get();
}

GdkPixbuf* IconImage(HICON icon) { return icon != nullptr ? icon->image.get() : nullptr; }

}  // namespace framework::backend
