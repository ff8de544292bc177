// libFuzzer target of the native reader: each input is written to a file of its own and read
// through the object model as the scan, the preview and the export would. A refusal is a result;
// a crash, a sanitizer report or a leak is a fault. Built and run by scripts/fuzz-nsf.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/nsf/NsfFuzzRead.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = "/tmp/nsf-fuzz-" + std::to_string(getpid()) + ".nsf";
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  mailshift::nsf::ReadEverything(path);
  return 0;
}
