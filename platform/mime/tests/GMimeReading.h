// What the tests and the benchmark need to read messages with GMime: ownership of GLib and
// GMime objects, and GMime set up once.
#pragma once

#include <gmime/gmime.h>

#include <memory>
#include <mutex>

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

// Initialises GMime once per process; safe to call from any thread.
inline void EnsureGMimeInitialised() {
  static std::once_flag once;
  std::call_once(once, [] { g_mime_init(); });
}

}  // namespace mailshift::platform
