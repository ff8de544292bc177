#include "platform/mime/BodyEncoding.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace mailshift::platform {
namespace {

// A quoted-printable line holds at most 76 characters, a soft break's "=" included.
constexpr std::size_t kMaxQuotedPrintableText = 75;
constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::size_t kBase64LineLength = Base64Lines::kBytesPerLine / 3 * 4 + 2;  // CR LF included

// The two base64 characters of every 12 bits, so that a group of three bytes takes two look-ups.
constexpr auto kBase64Pairs = [] {
  std::array<char, 2 * 4096> pairs{};
  for (std::size_t bits = 0; bits < 4096; ++bits) {
    pairs[2 * bits] = kBase64Alphabet[bits >> 6];
    pairs[2 * bits + 1] = kBase64Alphabet[bits & 0x3F];
  }
  return pairs;
}();

bool IsLineBreakAt(std::string_view text, std::size_t at) {
  return at < text.size() &&
         (text[at] == '\n' || (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n'));
}

char* PutLineEnd(char* out) {
  out[0] = '\r';
  out[1] = '\n';
  return out + 2;
}

// Writes the base64 line of up to 57 bytes at `out` and returns its end.
char* PutBase64Line(const char* data, std::size_t size, char* out) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(data);
  std::size_t at = 0;
  for (; at + 3 <= size; at += 3) {
    const std::uint32_t group =
        (std::uint32_t{bytes[at]} << 16) | (std::uint32_t{bytes[at + 1]} << 8) | std::uint32_t{bytes[at + 2]};
    std::memcpy(out, &kBase64Pairs[2 * (group >> 12)], 2);
    std::memcpy(out + 2, &kBase64Pairs[2 * (group & 0xFFF)], 2);
    out += 4;
  }
  if (at < size) {
    const std::size_t rest = size - at;
    std::uint32_t group = std::uint32_t{bytes[at]} << 16;
    if (rest > 1) group |= std::uint32_t{bytes[at + 1]} << 8;
    out[0] = kBase64Alphabet[group >> 18];
    out[1] = kBase64Alphabet[(group >> 12) & 0x3F];
    out[2] = rest > 1 ? kBase64Alphabet[(group >> 6) & 0x3F] : '=';
    out[3] = '=';
    out += 4;
  }
  return PutLineEnd(out);
}

void AppendBase64Line(const char* data, std::size_t size, std::string& out) {
  const std::size_t start = out.size();
  out.resize(start + (size + 2) / 3 * 4 + 2);
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
  out.reserve(text.size() + text.size() / 16 + 3);
  std::size_t lineLength = 0;
  const auto append = [&](const char* piece, std::size_t length) {
    if (lineLength + length > kMaxQuotedPrintableText) {
      out += "=\r\n";
      lineLength = 0;
    }
    out.append(piece, length);
    lineLength += length;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (IsLineBreakAt(text, i)) {
      if (c == '\r') ++i;
      out += "\r\n";
      lineLength = 0;
      continue;
    }
    const auto byte = static_cast<unsigned char>(c);
    // A blank at the end of a line would be lost to a parser that strips trailing blanks.
    const bool endsLine = i + 1 == text.size() || IsLineBreakAt(text, i + 1);
    const bool literal = (byte >= 33 && byte <= 126 && c != '=') || ((c == ' ' || c == '\t') && !endsLine);
    if (literal) {
      append(&c, 1);
    } else {
      const char escape[3] = {'=', kHexDigits[byte >> 4], kHexDigits[byte & 0x0F]};
      append(escape, 3);
    }
  }
  if (lineLength > 0) out += "=\r\n";
  return out;
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
