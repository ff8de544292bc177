#include "platform/mime/BodyEncoding.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "common/Base64.h"

namespace mailshift::platform {
namespace {

// A quoted-printable line holds at most 76 characters, a soft break's "=" included.
constexpr std::size_t kMaxQuotedPrintableText = 75;
// Long texts are encoded in pieces of this many bytes, so that the room set aside for the
// longest encoding of a piece stays small.
constexpr std::size_t kQuotedPrintablePiece = 16 * 1024;
constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr std::size_t kBase64LineLength = Base64Lines::kBytesPerLine / 3 * 4 + 2;  // CR LF included

// Bytes that stand for themselves inside a quoted-printable line: printable ASCII but "=", and
// the blanks, which are escaped only at the end of a line.
constexpr auto kQuotedPrintableLiterals = [] {
  std::array<bool, 256> literal{};
  for (std::size_t byte = 0; byte < literal.size(); ++byte) {
    literal[byte] = (byte >= 33 && byte <= 126 && byte != '=') || byte == ' ' || byte == '\t';
  }
  return literal;
}();

constexpr std::uint64_t kEveryByte = 0x0101010101010101;
constexpr std::uint64_t kTopBits = kEveryByte * 0x80;

// How many of the eight bytes from `bytes` on are plain text, printable ASCII or spaces but no
// "=", before the first that is not: the usual runs of text are copied eight bytes at a time.
// Each test sets the top bit of the bytes it looks for; a borrow or carry can only mark a byte
// after one that is marked already.
std::size_t PlainBytesOfEight(const char* bytes) {
  std::uint64_t word;
  std::memcpy(&word, bytes, 8);
  const std::uint64_t control = (word - kEveryByte * 0x20) & ~word;  // below " "
  const std::uint64_t high = (word + kEveryByte * 0x01) | word;      // DEL and above
  const std::uint64_t notEquals = word ^ (kEveryByte * '=');
  const std::uint64_t equals = (notEquals - kEveryByte) & ~notEquals;
  const std::uint64_t marks = (control | high | equals) & kTopBits;
  if (marks == 0) return 8;
  if constexpr (std::endian::native == std::endian::little) {
    return static_cast<std::size_t>(std::countr_zero(marks)) / 8;
  } else {
    std::size_t count = 0;
    while (bytes[count] >= ' ' && bytes[count] <= '~' && bytes[count] != '=') ++count;
    return count;
  }
}

char* PutLineEnd(char* out) {
  out[0] = '\r';
  out[1] = '\n';
  return out + 2;
}

char* PutSoftBreak(char* out) {
  out[0] = '=';
  return PutLineEnd(out + 1);
}

// Quoted-printable of one text, written piece by piece.
class QuotedPrintableWriter {
 public:
  explicit QuotedPrintableWriter(std::string_view text) : text_(text), lineBreak_(LineBreakFrom(0)) {}

  bool Done() const { return at_ >= text_.size(); }

  // Room for the longest encoding of the next piece: every byte an escape; since a soft break
  // follows 73 characters at the least, 3 * 3 / 73 < 1 / 8 more for those; and a few characters
  // for the line the piece continues and for what is read past its end (a blank ending the line
  // and the line break).
  std::size_t NextPieceRoom() const {
    const std::size_t piece = std::min(text_.size() - at_, kQuotedPrintablePiece);
    return 3 * piece + piece / 8 + 16;
  }

  // Encodes the next piece into `out`, which has NextPieceRoom() characters; returns the end of
  // what it wrote.
  char* WritePiece(char* out) {
    const std::size_t pieceEnd = at_ + std::min(text_.size() - at_, kQuotedPrintablePiece);
    // Local copies: the compiler would have to reload members after every write through `out`.
    std::size_t at = at_;
    std::size_t room = room_;
    while (at < pieceEnd) {
      const bool crLf = lineBreak_ < text_.size() && lineBreak_ > at && text_[lineBreak_ - 1] == '\r';
      const std::size_t lineEnd = crLf ? lineBreak_ - 1 : lineBreak_;
      // A blank at the end of a line would be lost to a parser that strips trailing blanks.
      const bool blankAtEnd = lineEnd > at && (text_[lineEnd - 1] == ' ' || text_[lineEnd - 1] == '\t');
      const std::size_t literalEnd = blankAtEnd ? lineEnd - 1 : lineEnd;
      const std::size_t stop = std::min(literalEnd, pieceEnd);
      out = PutText(at, stop, out, room);
      at = stop;
      if (at < literalEnd) break;
      if (blankAtEnd) out = PutEscaped(static_cast<unsigned char>(text_[at++]), out, room);
      if (at == text_.size()) break;
      out = PutLineEnd(out);
      room = kMaxQuotedPrintableText;
      at = lineBreak_ + 1;
      lineBreak_ = LineBreakFrom(at);
    }
    at_ = at;
    room_ = room;
    return out;
  }

  // Ends a last line without a line break in a soft break; returns the end.
  char* Finish(char* out) { return room_ < kMaxQuotedPrintableText ? PutSoftBreak(out) : out; }

 private:
  // Where the next LF lies, or the end of the text.
  std::size_t LineBreakFrom(std::size_t at) const {
    const std::size_t lf = text_.find('\n', at);
    return lf == std::string_view::npos ? text_.size() : lf;
  }

  // The bytes [at, end) of a line, none of them a line break.
  char* PutText(std::size_t at, std::size_t end, char* out, std::size_t& room) const {
    const char* const data = text_.data();
    while (at < end) {
      if (room >= 8 && end - at >= 8) {
        // All eight are copied, but only the plain ones are kept; the room set aside for the
        // piece holds three characters for each byte still to come.
        const std::size_t plain = PlainBytesOfEight(data + at);
        std::memcpy(out, data + at, 8);
        out += plain;
        at += plain;
        room -= plain;
        if (plain == 8) continue;
      }
      const auto byte = static_cast<unsigned char>(data[at++]);
      if (kQuotedPrintableLiterals[byte]) {
        out = MakeRoom(1, out, room);
        *out++ = static_cast<char>(byte);
      } else {
        out = PutEscaped(byte, out, room);
      }
    }
    return out;
  }

  static char* PutEscaped(unsigned char byte, char* out, std::size_t& room) {
    out = MakeRoom(3, out, room);
    out[0] = '=';
    out[1] = kHexDigits[byte >> 4];
    out[2] = kHexDigits[byte & 0x0F];
    return out + 3;
  }

  // Breaks the line softly when `length` more characters would not fit on it, and takes them
  // from the room left on the line.
  static char* MakeRoom(std::size_t length, char* out, std::size_t& room) {
    if (length > room) {
      out = PutSoftBreak(out);
      room = kMaxQuotedPrintableText;
    }
    room -= length;
    return out;
  }

  std::string_view text_;
  std::size_t at_ = 0;
  std::size_t room_ = kMaxQuotedPrintableText;  // left on the line the next piece continues
  std::size_t lineBreak_;                       // the next LF from at_, or the end of the text
};

// Writes the base64 line of up to 57 bytes at `out` and returns its end.
char* PutBase64Line(const char* data, std::size_t size, char* out) {
  return PutLineEnd(PutBase64(data, size, out));
}

void AppendBase64Line(const char* data, std::size_t size, std::string& out) {
  const std::size_t start = out.size();
  out.resize(start + Base64Length(size) + 2);
  PutBase64Line(data, size, out.data() + start);
}

}  // namespace

bool PrefersBase64(std::string_view text) {
  // The bytes from 0x80 up, counted eight at a time: the top bit of each byte, summed.
  constexpr std::uint64_t kLowBits = 0x0101010101010101;
  std::size_t high = 0;
  std::size_t at = 0;
  for (; at + 8 <= text.size(); at += 8) {
    std::uint64_t word;
    std::memcpy(&word, text.data() + at, 8);
    high += static_cast<std::size_t>((((word >> 7) & kLowBits) * kLowBits) >> 56);
  }
  for (; at < text.size(); ++at) high += static_cast<unsigned char>(text[at]) >> 7;
  return high * 5 > text.size();
}

std::string CrLfLineEnds(std::string_view text) {
  std::string result;
  result.reserve(text.size() + text.size() / 32);
  std::size_t at = 0;
  for (std::size_t lf; (lf = text.find('\n', at)) != std::string_view::npos; at = lf + 1) {
    result.append(text.substr(at, lf - at));
    result += lf == 0 || text[lf - 1] != '\r' ? "\r\n" : "\n";
  }
  result.append(text.substr(at));
  return result;
}

std::string QuotedPrintable(std::string_view text) {
  std::string out;
  AppendQuotedPrintable(text, out);
  return out;
}

void AppendQuotedPrintable(std::string_view text, std::string& out) {
  QuotedPrintableWriter writer(text);
  std::size_t end = out.size();
  while (!writer.Done()) {
    out.resize(end + writer.NextPieceRoom());
    end = static_cast<std::size_t>(writer.WritePiece(out.data() + end) - out.data());
  }
  out.resize(end + 3);  // room for a soft break
  out.resize(static_cast<std::size_t>(writer.Finish(out.data() + end) - out.data()));
}

void Base64Lines::Add(std::string_view bytes, std::string& out) {
  if (pendingCount_ > 0) {
    const std::size_t taken = std::min(bytes.size(), kBytesPerLine - pendingCount_);
    std::copy_n(bytes.data(), taken, pending_ + pendingCount_);
    pendingCount_ += taken;
    bytes.remove_prefix(taken);
    if (pendingCount_ < kBytesPerLine) return;
    AppendBase64Line(pending_, kBytesPerLine, out);
    pendingCount_ = 0;
  }
  const std::size_t lines = bytes.size() / kBytesPerLine;
  std::size_t end = out.size();
  out.resize(end + lines * kBase64LineLength);
  for (std::size_t line = 0; line < lines; ++line) {
    PutBase64Line(bytes.data(), kBytesPerLine, out.data() + end);
    end += kBase64LineLength;
    bytes.remove_prefix(kBytesPerLine);
  }
  std::copy_n(bytes.data(), bytes.size(), pending_);
  pendingCount_ = bytes.size();
}

void Base64Lines::Finish(std::string& out) {
  if (pendingCount_ > 0) AppendBase64Line(pending_, pendingCount_, out);
  pendingCount_ = 0;
}

std::string Base64(std::string_view bytes) {
  std::string out;
  AppendBase64(bytes, out);
  return out;
}

void AppendBase64(std::string_view bytes, std::string& out) {
  Base64Lines lines;
  lines.Add(bytes, out);
  lines.Finish(out);
}

}  // namespace mailshift::platform
