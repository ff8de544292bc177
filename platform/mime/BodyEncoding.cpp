#include "platform/mime/BodyEncoding.h"

#include <algorithm>
#include <cstdint>

namespace mailshift::platform {
namespace {

// A quoted-printable line holds at most 76 characters, a soft break's "=" included.
constexpr std::size_t kMaxQuotedPrintableText = 75;
constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

bool IsLineBreakAt(std::string_view text, std::size_t at) {
  return at < text.size() &&
         (text[at] == '\n' || (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n'));
}

// Appends one base64 group of 1 to 3 bytes.
void AppendGroup(const unsigned char* bytes, std::size_t count, std::string& out) {
  std::uint32_t group = static_cast<std::uint32_t>(bytes[0]) << 16;
  if (count > 1) group |= static_cast<std::uint32_t>(bytes[1]) << 8;
  if (count > 2) group |= bytes[2];
  out += kBase64Alphabet[(group >> 18) & 0x3F];
  out += kBase64Alphabet[(group >> 12) & 0x3F];
  out += count > 1 ? kBase64Alphabet[(group >> 6) & 0x3F] : '=';
  out += count > 2 ? kBase64Alphabet[group & 0x3F] : '=';
}

// Appends the line for up to 57 bytes; whole groups are encoded into a line on the stack and
// appended at once (appending four characters at a time showed in profiles).
void AppendLine(const char* data, std::size_t size, std::string& out) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(data);
  char line[Base64Lines::kBytesPerLine / 3 * 4 + 2];
  char* next = line;
  std::size_t at = 0;
  for (; at + 3 <= size; at += 3) {
    const std::uint32_t group = (static_cast<std::uint32_t>(bytes[at]) << 16) |
                                (static_cast<std::uint32_t>(bytes[at + 1]) << 8) | bytes[at + 2];
    next[0] = kBase64Alphabet[group >> 18];
    next[1] = kBase64Alphabet[(group >> 12) & 0x3F];
    next[2] = kBase64Alphabet[(group >> 6) & 0x3F];
    next[3] = kBase64Alphabet[group & 0x3F];
    next += 4;
  }
  out.append(line, static_cast<std::size_t>(next - line));
  if (at < size) AppendGroup(bytes + at, size - at, out);
  out += "\r\n";
}

}  // namespace

bool PrefersBase64(std::string_view text) {
  const auto high =
      std::count_if(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
  return static_cast<std::size_t>(high) * 5 > text.size();
}

std::string CrLfLineEnds(std::string_view text) {
  std::string result;
  result.reserve(text.size() + text.size() / 32);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) result += '\r';
    result += text[i];
  }
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
    AppendLine(pending_, kBytesPerLine, out);
    pendingCount_ = 0;
  }
  out.reserve(out.size() + bytes.size() / kBytesPerLine * 78 + 78);
  while (bytes.size() >= kBytesPerLine) {
    AppendLine(bytes.data(), kBytesPerLine, out);
    bytes.remove_prefix(kBytesPerLine);
  }
  std::copy_n(bytes.data(), bytes.size(), pending_);
  pendingCount_ = bytes.size();
}

void Base64Lines::Finish(std::string& out) {
  if (pendingCount_ > 0) AppendLine(pending_, pendingCount_, out);
  pendingCount_ = 0;
}

std::string Base64(std::string_view bytes) {
  std::string out;
  Base64Lines lines;
  lines.Add(bytes, out);
  lines.Finish(out);
  return out;
}

}  // namespace mailshift::platform
