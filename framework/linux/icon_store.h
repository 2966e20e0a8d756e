// Icons decoded once from the module's resources and shared for the life of the process.
#pragma once

#include <gdk-pixbuf/gdk-pixbuf.h>

#include "framework/resources.h"

namespace framework::backend {

// The shared icon of the resource, decoded at the first request; nullptr when it cannot be
// decoded.
HICON SharedIcon(const IconResource& resource);

// The icon's image, owned by the icon; nullptr for a null handle.
GdkPixbuf* IconImage(HICON icon);

}  // namespace framework::backend
