#include "platform/mime/tests/RenderedMessage.h"

#include <stdexcept>

namespace mailshift::platform::testing {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  throw std::runtime_error(std::string("not an upper-case hex digit: ") + c);
}

RenderedPart ReadPart(std::string_view text) {
  RenderedPart part;
  const auto headerEnd = text.find("\r\n\r\n");
  if (headerEnd == std::string_view::npos) throw std::runtime_error("no end of header");
  const std::string_view header = text.substr(0, headerEnd + 2);
  part.content = std::string(text.substr(headerEnd + 4));
  for (std::size_t at = 0; at < header.size();) {
    const auto lineEnd = header.find("\r\n", at);
    const std::string_view line = header.substr(at, lineEnd - at);
    if (line.front() == ' ' || line.front() == '\t') {
      if (part.fields.empty()) throw std::runtime_error("a header begins with a folded line");
      part.fields.back().second += line;
    } else {
      const auto colon = line.find(':');
      if (colon == std::string_view::npos) throw std::runtime_error("a header line without a colon");
      std::string_view value = line.substr(colon + 1);
      if (value.starts_with(' ')) value.remove_prefix(1);
      part.fields.emplace_back(std::string(line.substr(0, colon)), std::string(value));
    }
    at = lineEnd + 2;
  }
  return part;
}

std::string BoundaryOf(const std::string& contentType) {
  const std::string key = "boundary=\"";
  const auto start = contentType.find(key);
  if (start == std::string::npos) throw std::runtime_error("no boundary in " + contentType);
  const auto end = contentType.find('"', start + key.size());
  return contentType.substr(start + key.size(), end - start - key.size());
}

}  // namespace

std::string RenderedPart::Field(std::string_view name) const {
  for (const auto& [fieldName, value] : fields) {
    if (fieldName == name) return value;
  }
  return "";
}

bool RenderedPart::HasField(std::string_view name) const {
  for (const auto& field : fields) {
    if (field.first == name) return true;
  }
  return false;
}

std::string RenderedPart::Decoded() const {
  const std::string encoding = Field("Content-Transfer-Encoding");
  if (encoding == "base64") return DecodeBase64(content);
  if (encoding == "quoted-printable") return DecodeQuotedPrintable(content);
  if (encoding == "7bit" || encoding == "8bit") return content;
  throw std::runtime_error("unknown transfer encoding " + encoding);
}

RenderedMessage ReadRendered(const std::string& text) {
  RenderedMessage message{ReadPart(text), {}};
  const std::string contentType = message.top.Field("Content-Type");
  if (!contentType.starts_with("multipart/")) {
    message.parts.push_back(message.top);
    return message;
  }
  const std::string boundary = BoundaryOf(contentType);
  const std::string body = "\r\n" + message.top.content;
  const std::string delimiter = "\r\n--" + boundary;
  auto at = body.find(delimiter);
  if (at != 0) throw std::runtime_error("the body does not begin with the boundary");
  for (;;) {
    at += delimiter.size();
    if (body.compare(at, 2, "--") == 0) break;
    if (body.compare(at, 2, "\r\n") != 0) throw std::runtime_error("text after a boundary");
    const auto next = body.find(delimiter, at);
    if (next == std::string::npos) throw std::runtime_error("no closing boundary");
    message.parts.push_back(ReadPart(std::string_view(body).substr(at + 2, next - at - 2)));
    at = next;
  }
  return message;
}

std::string DecodeBase64(std::string_view text) {
  static constexpr std::string_view kAlphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string bytes;
  std::uint32_t group = 0;
  int bits = 0;
  for (char c : text) {
    if (c == '\r' || c == '\n' || c == '=') continue;
    const auto value = kAlphabet.find(c);
    if (value == std::string_view::npos) throw std::runtime_error(std::string("not base64: ") + c);
    group = (group << 6) | static_cast<std::uint32_t>(value);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      bytes += static_cast<char>((group >> bits) & 0xFF);
    }
  }
  return bytes;
}

std::string DecodeQuotedPrintable(std::string_view text) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '=') {
      bytes += text[i];
    } else if (text.substr(i + 1, 2) == "\r\n") {
      i += 2;  // a soft break
    } else {
      if (i + 2 >= text.size()) throw std::runtime_error("a cut quoted-printable escape");
      bytes += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    }
  }
  return bytes;
}

}  // namespace mailshift::platform::testing
