// Standard output and standard error on Windows: a console gets UTF-16 through WriteConsoleW, so
// that every character shows whatever the console's code page; a file or a pipe gets the UTF-8 bytes.
#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "cli/ConsoleOutput.h"

namespace mailshift::cli {
namespace {

class HandleSink final : public ConsoleSink {
 public:
  HandleSink(HANDLE handle, std::FILE* bytes) : handle_(handle), bytes_(bytes) {
    DWORD mode = 0;
    console_ = handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
  }
  bool TakesWideText() const override { return console_; }
  bool IsTerminal() const override { return console_; }
  // Never: a console may accept ENABLE_VIRTUAL_TERMINAL_PROCESSING and still show ESC [ K as a box
  // (Wine's does), so the progress line is overwritten with spaces, which every console shows.
  bool ErasesToLineEnd() const override { return false; }

  void WriteWide(std::u16string_view text) override {
    std::fflush(bytes_);
    const auto* next = reinterpret_cast<const wchar_t*>(text.data());
    std::size_t left = text.size();
    while (left > 0) {
      // Older consoles take a limited amount per call.
      const auto part = static_cast<DWORD>(std::min<std::size_t>(left, 8192));
      DWORD written = 0;
      if (!WriteConsoleW(handle_, next, part, &written, nullptr) || written == 0) {
        // The console refused: the rest goes out as bytes rather than being lost.
        WriteBytes(Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(next), left)));
        return;
      }
      next += written;
      left -= written;
    }
  }

  void WriteBytes(std::string_view text) override {
    std::fwrite(text.data(), 1, text.size(), bytes_);
    std::fflush(bytes_);
  }

 private:
  static std::string Utf16ToUtf8(std::u16string_view text) {
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(std::max(length, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(text.size()), bytes.data(), length, nullptr,
                        nullptr);
    return bytes;
  }

  HANDLE handle_;
  std::FILE* bytes_;
  bool console_ = false;
};

}  // namespace

std::unique_ptr<ConsoleSink> MakeHandleSink(void* handle, std::FILE* bytes) {
  return std::make_unique<HandleSink>(static_cast<HANDLE>(handle), bytes);
}

// Never destroyed: the standard streams may write through them up to the program's very end.
ConsoleWriter& StandardOutput() {
  static auto* writer = new ConsoleWriter(*MakeHandleSink(GetStdHandle(STD_OUTPUT_HANDLE), stdout).release());
  return *writer;
}

ConsoleWriter& StandardError() {
  static auto* writer = new ConsoleWriter(*MakeHandleSink(GetStdHandle(STD_ERROR_HANDLE), stderr).release());
  return *writer;
}

}  // namespace mailshift::cli
