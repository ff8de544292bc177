#include "platform/mime/RecipientText.h"

#include <cstddef>

namespace mailshift::platform {
namespace {

// Longer addresses than this are no Internet addresses (RFC 5321 allows 254 characters).
constexpr std::size_t kMaxAddressLength = 254;

bool IsAtext(char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  return std::string_view("!#$%&'*+-/=?^_`{|}~").find(c) != std::string_view::npos;
}

bool IsPrintableAscii(char c) { return c >= 0x21 && c <= 0x7E; }

bool IsDotAtom(std::string_view text) {
  if (text.empty() || text.front() == '.' || text.back() == '.') return false;
  char previous = '\0';
  for (char c : text) {
    if (c == '.') {
      if (previous == '.') return false;
    } else if (!IsAtext(c)) {
      return false;
    }
    previous = c;
  }
  return true;
}

// allowUtf8: a display name may hold any UTF-8 text between its quotes; an address may not.
bool IsQuotedString(std::string_view text, bool allowUtf8) {
  if (text.size() < 2 || text.front() != '"' || text.back() != '"') return false;
  const auto isQuotable = [allowUtf8](char c) {
    return IsPrintableAscii(c) || c == ' ' || (allowUtf8 && static_cast<unsigned char>(c) >= 0x80);
  };
  for (std::size_t i = 1; i + 1 < text.size(); ++i) {
    if (text[i] == '\\') {
      ++i;
      if (i + 1 >= text.size() || !isQuotable(text[i])) return false;
    } else if (text[i] == '"' || !isQuotable(text[i])) {
      return false;
    }
  }
  return true;
}

bool IsDomainLiteral(std::string_view text) {
  if (text.size() < 2 || text.front() != '[' || text.back() != ']') return false;
  for (char c : text.substr(1, text.size() - 2)) {
    if (!IsPrintableAscii(c) || c == '[' || c == ']' || c == '\\') return false;
  }
  return true;
}

std::string_view TrimBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

std::string Unquote(std::string_view quoted) {
  std::string text;
  for (std::size_t i = 1; i + 1 < quoted.size(); ++i) {
    if (quoted[i] == '\\') ++i;
    text += quoted[i];
  }
  return text;
}

Recipient ReadPiece(std::string_view piece) {
  if (IsAddrSpec(piece)) return {"", std::string(piece)};
  if (piece.back() == '>') {
    const auto open = piece.rfind('<');
    if (open != std::string_view::npos) {
      const auto address = piece.substr(open + 1, piece.size() - open - 2);
      if (IsAddrSpec(address)) {
        const auto name = TrimBlanks(piece.substr(0, open));
        return {IsQuotedString(name, true) ? Unquote(name) : std::string(name), std::string(address)};
      }
    }
  }
  return {std::string(piece), ""};
}

}  // namespace

bool IsAddrSpec(std::string_view text) {
  if (text.size() > kMaxAddressLength) return false;
  const auto at = text.rfind('@');
  if (at == std::string_view::npos) return false;
  const auto local = text.substr(0, at);
  const auto domain = text.substr(at + 1);
  return (IsDotAtom(local) || IsQuotedString(local, false)) && (IsDotAtom(domain) || IsDomainLiteral(domain));
}

std::vector<Recipient> ParseRecipientText(std::string_view text) {
  std::vector<Recipient> recipients;
  std::size_t start = 0;
  while (start <= text.size()) {
    auto end = text.find(';', start);
    if (end == std::string_view::npos) end = text.size();
    const auto piece = TrimBlanks(text.substr(start, end - start));
    if (!piece.empty()) recipients.push_back(ReadPiece(piece));
    start = end + 1;
  }
  return recipients;
}

}  // namespace mailshift::platform
