// Ownership of GLib and GMime objects.
#pragma once

#include <glib-object.h>

#include <memory>

namespace mailshift::platform {

struct GObjectUnref {
  void operator()(gpointer object) const {
    if (object != nullptr) g_object_unref(object);
  }
};

template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

struct GFreeDeleter {
  void operator()(gpointer memory) const { g_free(memory); }
};

using GCharPtr = std::unique_ptr<char, GFreeDeleter>;

}  // namespace mailshift::platform
