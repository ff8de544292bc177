#include "export/ImapResponse.h"

#include <cctype>

namespace mailshift::mail {
namespace {

bool SameWord(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

std::string Upper(std::string_view word) {
  std::string upper(word);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

// Reads values of a response from a position on.
class Reader {
 public:
  Reader(std::string_view text, std::string& problem) : text_(text), problem_(problem) {}

  bool AtEnd() const { return at_ >= text_.size(); }
  std::size_t at() const { return at_; }
  char Peek() const { return text_[at_]; }

  bool Fail(const std::string& why) {
    if (problem_.empty()) problem_ = why;
    return false;
  }

  // The atom at the position (stops at a blank, a bracket, a parenthesis or a line end).
  std::string_view Atom() {
    const std::size_t start = at_;
    while (at_ < text_.size()) {
      const char c = text_[at_];
      if (c == ' ' || c == '(' || c == ')' || c == '\r' || c == '\n' || c == '[' || c == ']') break;
      ++at_;
    }
    return text_.substr(start, at_ - start);
  }

  void SkipBlanks() {
    while (at_ < text_.size() && text_[at_] == ' ') ++at_;
  }

  // The rest of the current line (without its CR LF), and past it.
  std::string_view RestOfLine() {
    const std::size_t start = at_;
    const std::size_t end = text_.find("\r\n", at_);
    at_ = end == std::string_view::npos ? text_.size() : end + 2;
    return text_.substr(start, (end == std::string_view::npos ? text_.size() : end) - start);
  }

  bool Value(ImapValue& value, std::size_t depth) {
    if (++values_ > ImapLimits::kValues) return Fail("too many values in one response");
    if (AtEnd()) return Fail("a value is missing");
    const char c = Peek();
    if (c == '(') {
      if (depth >= ImapLimits::kDepth) return Fail("lists nested too deep");
      ++at_;
      value.kind = ImapValue::Kind::List;
      for (;;) {
        SkipBlanks();
        if (AtEnd() || Peek() == '\r' || Peek() == '\n') return Fail("a list is not closed");
        if (Peek() == ')') {
          ++at_;
          return true;
        }
        ImapValue item;
        if (!Value(item, depth + 1)) return false;
        value.items.push_back(std::move(item));
      }
    }
    if (c == '"') return Quoted(value);
    if (c == '{') return Literal(value);
    if (c == ')' || c == '\r' || c == '\n') return Fail("a value is missing");
    const std::string_view atom = c == '[' || c == ']' ? text_.substr(at_++, 1) : Atom();
    if (atom.empty()) return Fail("a value is missing");
    value.kind = SameWord(atom, "NIL") ? ImapValue::Kind::Nil : ImapValue::Kind::Atom;
    value.text = std::string(atom);
    return true;
  }

 private:
  bool Quoted(ImapValue& value) {
    ++at_;
    value.kind = ImapValue::Kind::String;
    while (at_ < text_.size()) {
      char c = text_[at_++];
      if (c == '"') return true;
      if (c == '\r' || c == '\n') return Fail("a quoted string runs over its line");
      if (c == '\\') {
        if (at_ >= text_.size()) break;
        c = text_[at_++];
        if (c != '\\' && c != '"') return Fail("a quoted string holds a bad escape");
      }
      value.text += c;
    }
    return Fail("a quoted string is not closed");
  }

  bool Literal(ImapValue& value) {
    const std::size_t close = text_.find('}', at_);
    if (close == std::string_view::npos) return Fail("a literal's size is not closed");
    std::string_view digits = text_.substr(at_ + 1, close - at_ - 1);
    if (!digits.empty() && digits.back() == '+') digits.remove_suffix(1);
    if (digits.empty() || digits.size() > 10) return Fail("a literal's size is no number");
    std::uint64_t size = 0;
    for (const char d : digits) {
      if (d < '0' || d > '9') return Fail("a literal's size is no number");
      size = size * 10 + static_cast<std::uint64_t>(d - '0');
    }
    if (size > ImapLimits::kLiteralBytes) return Fail("a literal is larger than the export reads");
    if (text_.substr(close + 1, 2) != "\r\n") return Fail("a literal's size is not followed by a line end");
    const std::size_t start = close + 3;
    if (text_.size() - start < size) return Fail("a literal is cut off");
    value.kind = ImapValue::Kind::String;
    value.text = std::string(text_.substr(start, static_cast<std::size_t>(size)));
    at_ = start + static_cast<std::size_t>(size);
    return true;
  }

  std::string_view text_;
  std::string& problem_;
  std::size_t at_ = 0;
  std::size_t values_ = 0;
};

bool IsStatus(std::string_view word) {
  return SameWord(word, "OK") || SameWord(word, "NO") || SameWord(word, "BAD") || SameWord(word, "PREAUTH") ||
         SameWord(word, "BYE");
}

}  // namespace

bool ImapValue::IsAtom(std::string_view word) const { return kind == Kind::Atom && SameWord(text, word); }

std::optional<ImapResponse> ParseImapResponse(std::string_view whole, std::string& problem) {
  problem.clear();
  if (whole.size() > ImapLimits::kResponseBytes) {
    problem = "a response is larger than the export reads";
    return std::nullopt;
  }
  if (!whole.ends_with("\r\n")) {
    problem = "a response does not end with a line end";
    return std::nullopt;
  }
  ImapResponse response;
  Reader reader(whole, problem);
  if (whole.starts_with("+")) {
    response.kind = ImapResponse::Kind::Continuation;
    std::string_view rest = whole.substr(1, whole.size() - 3);
    if (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    response.text = std::string(rest);
    return response;
  }
  const std::string_view tag = reader.Atom();
  if (tag.empty() || reader.AtEnd() || reader.Peek() != ' ') {
    problem = "a response begins with no tag";
    return std::nullopt;
  }
  reader.SkipBlanks();
  response.kind = tag == "*" ? ImapResponse::Kind::Untagged : ImapResponse::Kind::Tagged;
  if (response.kind == ImapResponse::Kind::Tagged) response.tag = std::string(tag);
  const std::size_t wordStart = reader.at();
  const std::string_view word = reader.Atom();
  if (word.empty()) {
    problem = "a response holds nothing after its tag";
    return std::nullopt;
  }
  if (IsStatus(word)) {
    response.status = Upper(word);
    reader.SkipBlanks();
    if (!reader.AtEnd() && reader.Peek() == '[') {
      const std::size_t start = reader.at() + 1;
      const std::size_t lineEnd = whole.find("\r\n", start);
      const std::size_t close = whole.find(']', start);
      if (close == std::string_view::npos || close > lineEnd) {
        problem = "a response code is not closed";
        return std::nullopt;
      }
      response.code = std::string(whole.substr(start, close - start));
      Reader after(whole.substr(close + 1), problem);
      after.SkipBlanks();
      response.text = std::string(after.RestOfLine());
    } else {
      response.text = std::string(reader.RestOfLine());
    }
    return response;
  }
  if (response.kind == ImapResponse::Kind::Tagged) {
    problem = "a tagged response holds no status";
    return std::nullopt;
  }
  // Untagged data: values up to the line end.
  Reader values(whole.substr(wordStart), problem);
  for (;;) {
    values.SkipBlanks();
    if (values.AtEnd()) break;
    if (values.Peek() == '\r') {
      if (values.RestOfLine().size() != 0 || !values.AtEnd()) {
        problem = "a response goes on after its line end";
        return std::nullopt;
      }
      break;
    }
    ImapValue value;
    if (!values.Value(value, 0)) return std::nullopt;
    response.data.push_back(std::move(value));
  }
  return response;
}

std::optional<std::uint64_t> LiteralAtLineEnd(std::string_view line) {
  if (!line.ends_with('}')) return std::nullopt;
  const std::size_t open = line.rfind('{');
  if (open == std::string_view::npos) return std::nullopt;
  std::string_view digits = line.substr(open + 1, line.size() - open - 2);
  if (!digits.empty() && digits.back() == '+') digits.remove_suffix(1);
  if (digits.empty() || digits.size() > 10) return std::nullopt;
  std::uint64_t size = 0;
  for (const char d : digits) {
    if (d < '0' || d > '9') return std::nullopt;
    size = size * 10 + static_cast<std::uint64_t>(d - '0');
  }
  return size;
}

std::optional<std::string> ImapQuoted(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '\r' || c == '\n' || c == '\0' || static_cast<unsigned char>(c) >= 0x80) return std::nullopt;
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

std::optional<std::int64_t> SuggestedBackoff(std::string_view text) {
  static constexpr std::string_view kPhrase = "Suggested Backoff Time:";
  const std::size_t at = text.find(kPhrase);
  if (at == std::string_view::npos) return std::nullopt;
  std::size_t i = at + kPhrase.size();
  while (i < text.size() && text[i] == ' ') ++i;
  std::int64_t milliseconds = 0;
  std::size_t digits = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 9) {
    milliseconds = milliseconds * 10 + (text[i++] - '0');
    ++digits;
  }
  if (digits == 0) return std::nullopt;
  return milliseconds;
}

}  // namespace mailshift::mail
