// Owning pointers for GLib objects and allocations.
#pragma once

#include <glib-object.h>

#include <memory>

namespace framework::backend {

struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};

// Holds one reference to a GObject.
template <class T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

struct GFreeDeleter {
    void operator()(gpointer memory) const { g_free(memory); }
};

template <class T>
using GMallocPtr = std::unique_ptr<T, GFreeDeleter>;

struct GMainLoopUnref {
    void operator()(GMainLoop* loop) const { g_main_loop_unref(loop); }
};

using GMainLoopPtr = std::unique_ptr<GMainLoop, GMainLoopUnref>;

}  // namespace framework::backend
