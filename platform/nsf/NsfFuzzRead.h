// Reads every part of a database through the object model, as the scan, the preview and the
// export would, and reports what could be read: the driver of the fuzz target and the damaged-file
// test. Refusals are expected of damaged files; anything else escaping is a fault.
#pragma once

#include <cstddef>
#include <string>

namespace mailshift::nsf {

struct FuzzReadResult {
  bool opened = false;
  std::size_t documents = 0;
  std::size_t refusals = 0;
};

FuzzReadResult ReadEverything(const std::string& path);

}  // namespace mailshift::nsf
