// Standard output and standard error on Linux: the UTF-8 bytes, as the terminal or file takes them.
#include <unistd.h>

#include <cstdio>

#include "cli/ConsoleOutput.h"

namespace mailshift::cli {
namespace {

class StdioSink final : public ConsoleSink {
 public:
  explicit StdioSink(std::FILE* file) : file_(file), terminal_(isatty(fileno(file)) != 0) {}
  bool TakesWideText() const override { return false; }
  bool IsTerminal() const override { return terminal_; }
  bool ErasesToLineEnd() const override { return terminal_; }
  void WriteBytes(std::string_view text) override {
    std::fwrite(text.data(), 1, text.size(), file_);
    std::fflush(file_);
  }

 private:
  std::FILE* file_;
  bool terminal_;
};

}  // namespace

// Never destroyed: the standard streams may write through them up to the program's very end.
ConsoleWriter& StandardOutput() {
  static auto* writer = new ConsoleWriter(*new StdioSink(stdout));
  return *writer;
}

ConsoleWriter& StandardError() {
  static auto* writer = new ConsoleWriter(*new StdioSink(stderr));
  return *writer;
}

}  // namespace mailshift::cli
