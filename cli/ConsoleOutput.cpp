#include "cli/ConsoleOutput.h"

#include <algorithm>
#include <cstring>
#include <iostream>
#include <stdexcept>
#include <streambuf>

#include "common/Utf8.h"

namespace mailshift::cli {
namespace {

// Where the text's last character begins when its other bytes have not come yet; the size when
// the text ends with a whole character.
std::size_t CutCharacterStart(std::string_view text) {
  for (std::size_t back = 1; back <= 3 && back <= text.size(); ++back) {
    const std::size_t at = text.size() - back;
    if (IsUtf8Continuation(text[at])) continue;
    return Utf8SequenceLength(text[at]) > back ? at : text.size();
  }
  return text.size();
}

std::size_t Characters(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t at = 0; at < text.size(); at += ReadUtf8(text, at).length) ++count;
  return count;
}

// A stream buffer that hands its text to a writer at each line end and flush.
class WriterBuffer final : public std::streambuf {
 public:
  explicit WriterBuffer(ConsoleWriter& writer) : writer_(writer) {}

 protected:
  int_type overflow(int_type character) override {
    if (traits_type::eq_int_type(character, traits_type::eof())) return traits_type::not_eof(character);
    buffer_.push_back(traits_type::to_char_type(character));
    if (character == '\n') sync();
    return character;
  }
  std::streamsize xsputn(const char* text, std::streamsize count) override {
    buffer_.append(text, static_cast<std::size_t>(count));
    if (std::memchr(text, '\n', static_cast<std::size_t>(count)) != nullptr) sync();
    return count;
  }
  int sync() override {
    if (!buffer_.empty()) writer_.Write(buffer_);
    buffer_.clear();
    return 0;
  }

 private:
  ConsoleWriter& writer_;
  std::string buffer_;
};

}  // namespace

void ConsoleSink::WriteWide(std::u16string_view) {
  throw std::logic_error("this console output takes no wide text");
}

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string wide;
  wide.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    const Utf8Step step = ReadUtf8(text, at);
    const char32_t code = step.valid ? step.code : U'\xFFFD';
    if (code >= 0x10000) {
      wide.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
      wide.push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
    } else {
      wide.push_back(static_cast<char16_t>(code));
    }
    at += step.length;
  }
  return wide;
}

void ConsoleWriter::Write(std::string_view text) {
  if (!sink_.TakesWideText()) {
    sink_.WriteBytes(text);
    return;
  }
  std::string whole = pending_ + std::string(text);
  const std::size_t cut = CutCharacterStart(whole);
  pending_ = whole.substr(cut);
  whole.resize(cut);
  if (!whole.empty()) sink_.WriteWide(Utf8ToUtf16(whole));
}

void ConsoleWriter::ShowLine(std::string_view line) {
  const std::size_t width = Characters(line);
  std::string shown = "\r" + std::string(line);
  if (sink_.ErasesToLineEnd()) {
    shown += "\x1b[K";
  } else if (lineShown_ && width < lineWidth_) {
    shown.append(lineWidth_ - width, ' ');
  }
  Write(shown);
  // Without ESC [ K the screen keeps the longest line's width, in spaces where nothing else is.
  lineWidth_ = sink_.ErasesToLineEnd() ? width : std::max(width, lineWidth_);
  lineShown_ = true;
}

void ConsoleWriter::ClearLine() {
  if (!lineShown_) return;
  if (sink_.ErasesToLineEnd()) {
    Write("\r\x1b[K");
  } else {
    Write("\r" + std::string(lineWidth_, ' ') + "\r");
  }
  lineWidth_ = 0;
  lineShown_ = false;
}

void RouteStandardStreams() {
  // Never destroyed: the standard streams flush into them up to the program's very end.
  static auto* output = new WriterBuffer(StandardOutput());
  static auto* error = new WriterBuffer(StandardError());
  std::cout.flush();
  std::cerr.flush();
  std::cout.rdbuf(output);
  std::cerr.rdbuf(error);
}

}  // namespace mailshift::cli
