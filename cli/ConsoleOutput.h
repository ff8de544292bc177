// The one way the command line's text reaches the user. The program's text is UTF-8; a Windows
// console takes it as UTF-16 through the wide console API, everything else (a file, a pipe, a
// terminal on Linux) takes the UTF-8 bytes. std::cout and std::cerr are routed here at start.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace mailshift::cli {

// Where one stream of text goes.
class ConsoleSink {
 public:
  virtual ~ConsoleSink() = default;
  // A console that takes UTF-16 text (on Windows: a console handle, GetConsoleMode succeeds).
  virtual bool TakesWideText() const = 0;
  // A person reads it: a console or a terminal, not a file or a pipe.
  virtual bool IsTerminal() const = 0;
  // Understands ESC [ K, erase to the end of the line.
  virtual bool ErasesToLineEnd() const = 0;
  // Called only when TakesWideText().
  virtual void WriteWide(std::u16string_view text);
  virtual void WriteBytes(std::string_view text) = 0;
};

// Writes UTF-8 text to a sink, and keeps the one progress line of a terminal.
class ConsoleWriter {
 public:
  explicit ConsoleWriter(ConsoleSink& sink) : sink_(sink) {}

  // A character cut between two calls is written whole with the second; bytes that are no UTF-8
  // reach a console as U+FFFD.
  void Write(std::string_view text);
  // Shows the line in place of the progress line shown before: with ESC [ K where the sink
  // understands it, else with spaces over what the longer line before left.
  void ShowLine(std::string_view line);
  // Takes the progress line off the screen; nothing when none is shown.
  void ClearLine();
  bool IsTerminal() const { return sink_.IsTerminal(); }

 private:
  ConsoleSink& sink_;
  std::string pending_;        // the first bytes of a character whose others are still to come
  std::size_t lineWidth_ = 0;  // the characters of the progress line on the screen
  bool lineShown_ = false;
};

// The text as UTF-16; each byte that begins no well-formed character becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);

// Standard output and standard error, as this system writes them.
ConsoleWriter& StandardOutput();
ConsoleWriter& StandardError();

#ifdef _WIN32
// The output over a Windows handle: the wide console API when the handle is a console, else the
// UTF-8 bytes through the C stream that writes to it. It never sends ESC sequences.
std::unique_ptr<ConsoleSink> MakeHandleSink(void* handle, std::FILE* bytes);
#endif

// Sends what is written to std::cout and std::cerr through StandardOutput() and
// StandardError(); once, at start.
void RouteStandardStreams();

}  // namespace mailshift::cli
