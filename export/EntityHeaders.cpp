#include "export/EntityHeaders.h"

namespace mailshift::mail {
namespace {

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return lower;
}

bool SameName(std::string_view a, std::string_view b) { return Lower(a) == Lower(b); }

std::string Stripped(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && (text[begin] == ' ' || text[begin] == '\t')) ++begin;
  while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
  return std::string(text.substr(begin, end - begin));
}

// The field's value split at the semicolons that stand outside quotes.
std::vector<std::string> ValuePieces(std::string_view value) {
  std::vector<std::string> pieces(1);
  bool quoted = false;
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    if (quoted && c == '\\' && i + 1 < value.size()) {
      pieces.back() += value[++i];
      continue;
    }
    if (c == '"') quoted = !quoted;
    if (c == ';' && !quoted) {
      pieces.emplace_back();
      continue;
    }
    pieces.back() += c;
  }
  return pieces;
}

}  // namespace

std::vector<HeaderLine> ParseHeaderLines(std::string_view text) {
  std::vector<HeaderLine> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    if ((line.front() == ' ' || line.front() == '\t') && !lines.empty()) {
      // Appended where it stands: copying the value for each line would take time growing with
      // the square of the lines.
      std::string& value = lines.back().value;
      const std::string piece = Stripped(line);
      if (!piece.empty()) {
        if (!value.empty()) value += ' ';
        value += piece;
      }
      continue;
    }
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0) continue;
    lines.push_back({Stripped(line.substr(0, colon)), Stripped(line.substr(colon + 1))});
  }
  return lines;
}

std::string HeaderValue(const std::vector<HeaderLine>& lines, std::string_view name) {
  for (const HeaderLine& line : lines)
    if (SameName(line.name, name)) return line.value;
  return {};
}

bool IsKeptRootField(std::string_view name) {
  static constexpr std::string_view kKept[] = {"reply-to",
                                               "mail-reply-to",
                                               "mail-followup-to",
                                               "organization",
                                               "user-agent",
                                               "x-mailer",
                                               "thread-topic",
                                               "thread-index",
                                               "list-id",
                                               "list-post",
                                               "list-help",
                                               "list-subscribe",
                                               "list-unsubscribe",
                                               "list-unsubscribe-post",
                                               "list-archive",
                                               "list-owner",
                                               "precedence",
                                               "auto-submitted",
                                               "disposition-notification-to",
                                               "comments"};
  const std::string lower = Lower(name);
  for (const std::string_view kept : kKept)
    if (lower == kept) return true;
  return false;
}

std::string MainValue(std::string_view value) { return Lower(Stripped(ValuePieces(value).front())); }

std::string ParameterValue(std::string_view value, std::string_view name) {
  const std::vector<std::string> pieces = ValuePieces(value);
  for (std::size_t i = 1; i < pieces.size(); ++i) {
    const std::size_t equals = pieces[i].find('=');
    if (equals == std::string::npos || !SameName(Stripped(pieces[i].substr(0, equals)), name)) continue;
    std::string parameter = Stripped(pieces[i].substr(equals + 1));
    if (parameter.size() >= 2 && parameter.front() == '"' && parameter.back() == '"')
      parameter = parameter.substr(1, parameter.size() - 2);
    return parameter;
  }
  return {};
}

}  // namespace mailshift::mail
