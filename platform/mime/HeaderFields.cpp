#include "platform/mime/HeaderFields.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "common/Utf8.h"

namespace mailshift::platform {
namespace {

constexpr std::size_t kPreferredLineLength = 78;
constexpr std::size_t kMaxEncodedWordLength = 75;
constexpr std::size_t kEncodedWordOverhead = 12;  // "=?UTF-8?Q?" and "?="
// Room enough on a line for an encoded word holding one character of four bytes.
constexpr std::size_t kMinEncodedWordRoom = 25;
// A display name is written as one piece up to this length. Standard parsers disagree on the
// blank between two encoded words of a phrase, so a name is split only when a single piece would
// strain the line limit of 998 characters.
constexpr std::size_t kMaxSinglePiece = 900;
// A file name written as a quoted string at most this long; longer ones use RFC 2231 sections.
constexpr std::size_t kMaxQuotedFileName = 60;

constexpr std::string_view kHexDigits = "0123456789ABCDEF";

bool IsPrintableAscii(char c) { return c >= 0x20 && c <= 0x7E; }
bool IsControl(char c) { return (c >= 0 && c < 0x20) || c == 0x7F; }

bool IsAllPrintableAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), IsPrintableAscii);
}

bool IsAlphaNumeric(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool IsAtext(char c) {
  return IsAlphaNumeric(c) || std::string_view("!#$%&'*+-/=?^_`{|}~").find(c) != std::string_view::npos;
}

// Characters that stand for themselves in a Q-encoded word, in every header context.
bool IsQSafe(char c) {
  return IsAlphaNumeric(c) || std::string_view("!*+-/").find(c) != std::string_view::npos;
}

// Characters that stand for themselves in an RFC 2231 parameter value.
bool IsAttributeCharacter(char c) {
  return IsAlphaNumeric(c) || std::string_view("!#$&+-.^_`|~").find(c) != std::string_view::npos;
}

// Display names lose their control characters to spaces: parsers reject them in phrases.
std::string DisplayText(std::string_view name) {
  std::string text = ValidUtf8(name);
  std::replace_if(text.begin(), text.end(), IsControl, ' ');
  return text;
}

std::string QuotedString(std::string_view text) {
  std::string quoted;
  quoted.reserve(text.size() + 8);
  quoted += '"';
  for (char c : text) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

// Words of atext joined by single spaces: a phrase that needs no quotes.
bool IsAtomPhrase(std::string_view text) {
  if (text.empty() || text.front() == ' ' || text.back() == ' ') return false;
  if (text.find("  ") != std::string_view::npos) return false;
  return std::all_of(text.begin(), text.end(), [](char c) { return c == ' ' || IsAtext(c); });
}

enum class WordEncoding { Q, B };

std::size_t QLength(std::string_view bytes) {
  std::size_t length = 0;
  for (char c : bytes) length += (c == ' ' || IsQSafe(c)) ? 1 : 3;
  return length;
}

std::size_t BLength(std::size_t byteCount) { return (byteCount + 2) / 3 * 4; }

WordEncoding ShorterEncoding(std::string_view text) {
  return QLength(text) <= BLength(text.size()) ? WordEncoding::Q : WordEncoding::B;
}

std::string EncodedWord(std::string_view bytes, WordEncoding encoding) {
  std::string word;
  word.reserve(kEncodedWordOverhead + 3 * bytes.size());
  word += encoding == WordEncoding::Q ? "=?UTF-8?Q?" : "=?UTF-8?B?";
  if (encoding == WordEncoding::Q) {
    for (char c : bytes) {
      const auto byte = static_cast<unsigned char>(c);
      if (c == ' ') {
        word += '_';
      } else if (IsQSafe(c)) {
        word += c;
      } else {
        word += '=';
        word += kHexDigits[byte >> 4];
        word += kHexDigits[byte & 0x0F];
      }
    }
  } else {
    constexpr std::string_view kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
      std::uint32_t group = static_cast<unsigned char>(bytes[i]) << 16;
      if (i + 1 < bytes.size())
        group |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
      if (i + 2 < bytes.size()) group |= static_cast<unsigned char>(bytes[i + 2]);
      word += kAlphabet[(group >> 18) & 0x3F];
      word += kAlphabet[(group >> 12) & 0x3F];
      word += i + 1 < bytes.size() ? kAlphabet[(group >> 6) & 0x3F] : '=';
      word += i + 2 < bytes.size() ? kAlphabet[group & 0x3F] : '=';
    }
  }
  word += "?=";
  return word;
}

// The end of the longest run of whole characters from `start` whose encoded word fits
// maxLength; at least one character. A base64 word that another follows ends, where it can,
// on a whole group of three bytes: some parsers (GMime) join adjacent words before decoding them
// and stop at padding.
std::size_t EncodedChunkEnd(std::string_view text, std::size_t start, WordEncoding encoding,
                            std::size_t maxLength) {
  const std::size_t room = maxLength - kEncodedWordOverhead;
  std::size_t end = start;
  std::size_t used = 0;
  std::size_t lastUnpadded = start;
  while (end < text.size()) {
    const std::size_t next = end + Utf8SequenceLength(text[end]);
    const std::size_t length =
        encoding == WordEncoding::Q ? used + QLength(text.substr(end, next - end)) : BLength(next - start);
    if (length > room && end > start) break;
    used = length;
    end = next;
    if ((end - start) % 3 == 0) lastUnpadded = end;
  }
  if (encoding == WordEncoding::B && end < text.size() && lastUnpadded > start) return lastUnpadded;
  return end;
}

// Encoded words of at most 75 characters, each holding whole characters.
std::vector<std::string> EncodedWords(std::string_view text, WordEncoding encoding) {
  std::vector<std::string> words;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = EncodedChunkEnd(text, start, encoding, kMaxEncodedWordLength);
    words.push_back(EncodedWord(text.substr(start, end - start), encoding));
    start = end;
  }
  return words;
}

// Collects a header value token by token; every token but the first begins with the blank
// where the line may be folded.
class FoldedValue {
 public:
  explicit FoldedValue(std::string_view fieldName) : lineLength_(fieldName.size() + 1) {
    text_.reserve(2 * kPreferredLineLength);
  }

  std::size_t Room() const {
    return lineLength_ < kPreferredLineLength ? kPreferredLineLength - lineLength_ : 0;
  }

  void Add(std::string_view token) {
    if (!text_.empty() && lineLength_ + token.size() > kPreferredLineLength) {
      text_ += '\n';
      lineLength_ = 0;
    }
    Append(token);
  }

  void Append(std::string_view text) {
    text_ += text;
    const auto lastBreak = text.rfind('\n');
    lineLength_ =
        lastBreak == std::string_view::npos ? lineLength_ + text.size() : text.size() - lastBreak - 1;
  }

  std::string Finish() { return std::move(text_) + '\n'; }

 private:
  std::string text_;
  std::size_t lineLength_;
};

// Plain text stays as it is when a parser gives it back unchanged: printable ASCII, no blank at
// either end, nothing that looks like an encoded word, no word too long for a line.
bool CanStayPlain(std::string_view text) {
  if (text.empty() || !IsAllPrintableAscii(text)) return false;
  if (text.front() == ' ' || text.back() == ' ' || text.find("=?") != std::string_view::npos) return false;
  std::size_t wordLength = 0;
  for (char c : text) {
    wordLength = c == ' ' ? 0 : wordLength + 1;
    if (wordLength + 1 >= kPreferredLineLength) return false;
  }
  return true;
}

// A base64 word that another follows and that ends in padding: GMime joins adjacent words before
// decoding them and loses everything after the padding, so such text is written in Q words.
bool IsPaddedBase64Word(std::string_view word) {
  return word.starts_with("=?UTF-8?B?") && word.ends_with("=?=");
}

// The whole text as encoded words, folded. Blanks between encoded words are not part of the
// text, so the words may break anywhere between two characters.
std::string EncodedFieldValue(std::string_view fieldName, std::string_view text, WordEncoding encoding,
                              bool& innerPadding) {
  FoldedValue value(fieldName);
  innerPadding = false;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t room = value.Room();
    const std::size_t maxLength =
        room >= kMinEncodedWordRoom ? std::min(kMaxEncodedWordLength, room - 1) : kMaxEncodedWordLength;
    const std::size_t end = EncodedChunkEnd(text, start, encoding, maxLength);
    const std::string word = EncodedWord(text.substr(start, end - start), encoding);
    if (end < text.size() && IsPaddedBase64Word(word)) innerPadding = true;
    value.Add(" " + word);
    start = end;
  }
  return value.Finish();
}

// A token of a folded value: the blank where the line may fold, then the text.
std::string Token(std::string_view text) {
  std::string token;
  token.reserve(text.size() + 1);
  token += ' ';
  token += text;
  return token;
}

// Appends the display name as tokens. `encoded` tells whether the last token is an encoded word.
void AddPhraseTokens(std::string_view name, std::vector<std::string>& tokens, bool& encoded) {
  const std::string text = DisplayText(name);
  encoded = false;
  if (IsAllPrintableAscii(text) && text.find("=?") == std::string::npos) {
    std::string token = IsAtomPhrase(text) ? Token(text) : Token(QuotedString(text));
    if (token.size() <= kMaxSinglePiece + 1) {
      tokens.push_back(std::move(token));
      return;
    }
  }
  encoded = true;
  const WordEncoding encoding = ShorterEncoding(text);
  const std::string single = EncodedWord(text, encoding);
  if (single.size() <= kMaxSinglePiece) {
    tokens.push_back(Token(single));
    return;
  }
  std::vector<std::string> words = EncodedWords(text, encoding);
  if (std::any_of(words.begin(), words.end() - 1, IsPaddedBase64Word))
    words = EncodedWords(text, WordEncoding::Q);
  for (const std::string& word : words) tokens.push_back(Token(word));
}

std::string PercentEncoded(std::string_view bytes) {
  std::string encoded;
  for (char c : bytes) {
    if (IsAttributeCharacter(c)) {
      encoded += c;
    } else {
      const auto byte = static_cast<unsigned char>(c);
      encoded += '%';
      encoded += kHexDigits[byte >> 4];
      encoded += kHexDigits[byte & 0x0F];
    }
  }
  return encoded;
}

}  // namespace

std::string UnstructuredFieldValue(std::string_view fieldName, std::string_view rawText) {
  const std::string text = ValidUtf8(rawText);
  FoldedValue value(fieldName);
  if (text.empty()) {
    value.Append(" ");
  } else if (CanStayPlain(text)) {
    // Tokens are a run of blanks and the word after it; a fold goes before the blanks.
    for (std::size_t start = 0; start < text.size();) {
      std::size_t end = start;
      while (end < text.size() && text[end] == ' ') ++end;
      while (end < text.size() && text[end] != ' ') ++end;
      const std::string_view token = std::string_view(text).substr(start, end - start);
      value.Add(start == 0 ? " " + std::string(token) : std::string(token));
      start = end;
    }
  } else {
    bool innerPadding = false;
    std::string encoded = EncodedFieldValue(fieldName, text, ShorterEncoding(text), innerPadding);
    if (innerPadding) encoded = EncodedFieldValue(fieldName, text, WordEncoding::Q, innerPadding);
    return encoded;
  }
  return value.Finish();
}

std::string KeptFieldValue(std::string_view fieldName, std::string_view value) {
  constexpr std::size_t kLongestWord = 900;  // with the name, within the 998 a line may hold
  std::string text(value);
  for (char& c : text)
    if (c == '\t') c = ' ';
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos || !IsAllPrintableAscii(text)) return {};
  text = text.substr(first, text.find_last_not_of(' ') - first + 1);
  FoldedValue folded(fieldName);
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = start;
    while (end < text.size() && text[end] == ' ') ++end;
    while (end < text.size() && text[end] != ' ') ++end;
    if (end - start > kLongestWord) return {};
    const std::string_view token = std::string_view(text).substr(start, end - start);
    folded.Add(start == 0 ? " " + std::string(token) : std::string(token));
    start = end;
  }
  return folded.Finish();
}

std::string AddressFieldValue(std::string_view fieldName, const std::vector<Recipient>& recipients) {
  FoldedValue value(fieldName);
  bool first = true;
  std::vector<std::string> tokens;
  for (const Recipient& recipient : recipients) {
    if (recipient.displayName.empty() && recipient.address.empty()) continue;
    if (!first) value.Append(",");
    first = false;
    bool encoded = false;
    tokens.clear();
    if (!recipient.displayName.empty()) AddPhraseTokens(recipient.displayName, tokens, encoded);
    if (recipient.IsNotesName()) {
      tokens.push_back(Token("<" + NotesNameAddress(recipient.displayName) + ">"));
    } else if (tokens.empty()) {
      tokens.push_back(Token(recipient.address));
    } else {
      tokens.push_back(Token("<" + recipient.address + ">"));
    }
    for (const std::string& token : tokens) value.Add(token);
  }
  if (first) value.Append(" ");
  return value.Finish();
}

std::string NotesNameAddress(std::string_view notesName) {
  std::string local;
  bool other = false;
  bool wordEnded = false;
  for (char c : notesName) {
    if (IsAlphaNumeric(c)) {
      if (wordEnded && !local.empty()) local += '.';
      wordEnded = false;
      local += c;
    } else {
      wordEnded = true;
      if (static_cast<unsigned char>(c) >= 0x80) other = true;
    }
  }
  if (local.size() > 48) local.resize(48);
  while (!local.empty() && local.back() == '.') local.pop_back();  // a dot-atom ends in a letter or digit
  if (local.empty() || other) {
    std::uint32_t hash = 2166136261u;  // FNV-1a
    for (char c : notesName) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    std::string hex;
    for (int shift = 28; shift >= 0; shift -= 4) hex += kHexDigits[(hash >> shift) & 0x0F];
    local += (local.empty() ? "notes." : ".") + hex;
  }
  return local + "@notes.mailshift.invalid";
}

std::vector<std::string> MessageIds(std::string_view text) {
  std::vector<std::string> ids;
  for (std::size_t start = text.find('<'); start != std::string_view::npos;
       start = text.find('<', start + 1)) {
    const std::size_t end = text.find('>', start);
    if (end == std::string_view::npos) break;
    const std::string_view id = text.substr(start, end - start + 1);
    const std::string_view inner = id.substr(1, id.size() - 2);
    const std::size_t at = inner.find('@');
    const bool valid = at != std::string_view::npos && at > 0 && at + 1 < inner.size() &&
                       inner.find('@', at + 1) == std::string_view::npos && id.size() <= kMaxSinglePiece &&
                       std::all_of(inner.begin(), inner.end(), [](char c) {
                         return IsPrintableAscii(c) && c != ' ' && c != '<' && c != '>' && c != '"' &&
                                c != '\\' && c != '(' && c != ')' && c != ',';
                       });
    if (valid) ids.emplace_back(id);
  }
  return ids;
}

std::string MessageIdsFieldValue(std::string_view fieldName, const std::vector<std::string>& ids) {
  FoldedValue value(fieldName);
  for (const std::string& id : ids) value.Add(Token(id));
  if (ids.empty()) value.Append(" ");
  return value.Finish();
}

std::string KeywordsFieldValue(std::string_view fieldName, const std::vector<std::string>& keywords) {
  FoldedValue value(fieldName);
  bool first = true;
  std::vector<std::string> tokens;
  for (const std::string& keyword : keywords) {
    if (keyword.empty()) continue;
    if (!first) value.Append(",");
    first = false;
    bool encoded = false;
    tokens.clear();
    AddPhraseTokens(keyword, tokens, encoded);
    for (const std::string& token : tokens) value.Add(token);
  }
  if (first) value.Append(" ");
  return value.Finish();
}

std::string FileNameFieldValue(std::string_view leadingValue, std::string_view parameterName,
                               std::string_view rawFileName) {
  const std::string fileName = ValidUtf8(rawFileName);
  std::string value = " " + std::string(leadingValue) + ";";
  const bool plain = !fileName.empty() && fileName.size() <= kMaxQuotedFileName &&
                     IsAllPrintableAscii(fileName) && fileName.front() != ' ' && fileName.back() != ' ' &&
                     fileName.find("=?") == std::string::npos;
  if (plain) return value + "\n " + std::string(parameterName) + "=" + QuotedString(fileName) + "\n";

  const std::string single = std::string(parameterName) + "*=UTF-8''" + PercentEncoded(fileName);
  if (single.size() + 1 <= kPreferredLineLength) return value + "\n " + single + "\n";

  // RFC 2231 sections, each ending on a whole character.
  std::size_t section = 0;
  for (std::size_t start = 0; start < fileName.size(); ++section) {
    const std::string prefix =
        std::string(parameterName) + "*" + std::to_string(section) + "*=" + (section == 0 ? "UTF-8''" : "");
    const std::size_t room = kPreferredLineLength - 2 - prefix.size();  // the leading blank and ";"
    std::string chunk;
    std::size_t end = start;
    while (end < fileName.size()) {
      const std::size_t next = end + Utf8SequenceLength(fileName[end]);
      std::string more = PercentEncoded(std::string_view(fileName).substr(end, next - end));
      if (chunk.size() + more.size() > room && end > start) break;
      chunk += more;
      end = next;
    }
    value += (section == 0 ? "\n " : ";\n ") + prefix + chunk;
    start = end;
  }
  return value + "\n";
}

}  // namespace mailshift::platform
