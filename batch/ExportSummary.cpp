#include "batch/ExportSummary.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <variant>

#include "common/Utf8.h"

namespace mailshift::batch {
namespace {

constexpr std::size_t kMostSummaryBytes = 256 * 1024;
constexpr std::size_t kMostMembers = 64;

// Numbers in JSON's form whatever the locale says.
std::string Number(double value) {
  char text[64];
  const auto [end, error] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 3);
  return error == std::errc() ? std::string(text, end) : "0";
}

using Value = std::variant<std::string, double, bool>;

// A flat JSON object: member names to strings, numbers or truth values (null is left out).
class FlatObjectReader {
 public:
  explicit FlatObjectReader(std::string_view text) : text_(text) {}

  std::optional<std::map<std::string, Value>> Read() {
    std::map<std::string, Value> members;
    Space();
    if (!Take('{')) return std::nullopt;
    Space();
    if (Take('}')) return End(members);
    for (;;) {
      Space();
      std::string name;
      if (!String(name)) return std::nullopt;
      Space();
      if (!Take(':')) return std::nullopt;
      Space();
      std::optional<Value> value;
      if (Peek('"')) {
        std::string text;
        if (!String(text)) return std::nullopt;
        value = std::move(text);
      } else if (Word("true")) {
        value = true;
      } else if (Word("false")) {
        value = false;
      } else if (!Word("null")) {
        double number = 0;
        if (!NumberValue(number)) return std::nullopt;
        value = number;
      }
      if (members.size() == kMostMembers) return std::nullopt;
      if (value) members[name] = std::move(*value);
      Space();
      if (Take(',')) continue;
      if (Take('}')) return End(members);
      return std::nullopt;
    }
  }

 private:
  std::optional<std::map<std::string, Value>> End(std::map<std::string, Value>& members) {
    Space();
    if (at_ != text_.size()) return std::nullopt;
    return std::move(members);
  }
  void Space() {
    while (at_ < text_.size() &&
           (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' || text_[at_] == '\r'))
      ++at_;
  }
  bool Peek(char c) const { return at_ < text_.size() && text_[at_] == c; }
  bool Take(char c) {
    if (!Peek(c)) return false;
    ++at_;
    return true;
  }
  bool Word(std::string_view word) {
    if (text_.substr(at_, word.size()) != word) return false;
    at_ += word.size();
    return true;
  }
  bool NumberValue(double& number) {
    const std::size_t start = at_;
    while (at_ < text_.size() &&
           std::string_view("-+.eE0123456789").find(text_[at_]) != std::string_view::npos)
      ++at_;
    if (at_ == start) return false;
    const char* first = text_.data() + start;
    const char* last = text_.data() + at_;
    if (*first == '+') return false;
    const auto [end, error] = std::from_chars(first, last, number);
    return error == std::errc() && end == last && std::isfinite(number);
  }
  bool Hex4(char32_t& code) {
    if (at_ + 4 > text_.size()) return false;
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text_.data() + at_, text_.data() + at_ + 4, value, 16);
    if (error != std::errc() || end != text_.data() + at_ + 4) return false;
    at_ += 4;
    code = value;
    return true;
  }
  bool String(std::string& out) {
    if (!Take('"')) return false;
    while (at_ < text_.size()) {
      const char c = text_[at_++];
      if (c == '"') return IsValidUtf8(out);
      if (static_cast<unsigned char>(c) < 0x20) return false;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (at_ >= text_.size()) return false;
      const char escaped = text_[at_++];
      switch (escaped) {
        case '"':
          out += '"';
          break;
        case '\\':
          out += '\\';
          break;
        case '/':
          out += '/';
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u': {
          char32_t code = 0;
          if (!Hex4(code)) return false;
          if (code >= 0xD800 && code < 0xDC00) {
            char32_t low = 0;
            if (!Word("\\u") || !Hex4(low) || low < 0xDC00 || low >= 0xE000) return false;
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
          } else if (code >= 0xDC00 && code < 0xE000) {
            return false;
          }
          AppendUtf8(out, code);
          break;
        }
        default:
          return false;
      }
    }
    return false;
  }

  std::string_view text_;
  std::size_t at_ = 0;
};

}  // namespace

std::string JsonString(std::string_view text) {
  const std::string valid = ValidUtf8(text);
  std::string out = "\"";
  for (const char c : valid) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  return out + '"';
}

std::string SummaryJson(const ExportSummary& summary) {
  std::string json = "{\n";
  const auto member = [&json](std::string_view name, const std::string& value, bool last = false) {
    json += "  \"" + std::string(name) + "\": " + value + (last ? "\n" : ",\n");
  };
  const auto truth = [](bool value) { return std::string(value ? "true" : "false"); };
  member("end", JsonString(summary.end));
  member("succeeded", truth(summary.succeeded));
  member("stopped", truth(summary.stopped));
  member("failure", JsonString(summary.failure));
  member("output_root", JsonString(summary.outputRoot));
  member("log", JsonString(summary.log));
  member("folders", std::to_string(summary.folders));
  member("folders_not_exported", std::to_string(summary.foldersNotExported));
  member("messages", std::to_string(summary.messages));
  member("written", std::to_string(summary.written));
  member("not_written", std::to_string(summary.notWritten));
  member("partial", std::to_string(summary.partial));
  member("encrypted", std::to_string(summary.encrypted));
  member("attachments_not_extracted", std::to_string(summary.attachmentsNotExtracted));
  member("already_there", std::to_string(summary.alreadyThere));
  member("left", std::to_string(summary.left));
  member("seconds", Number(summary.seconds), true);
  return json + "}\n";
}

std::optional<ExportSummary> ParseSummaryJson(std::string_view text) {
  if (text.size() > kMostSummaryBytes) return std::nullopt;
  const auto members = FlatObjectReader(text).Read();
  if (!members) return std::nullopt;
  ExportSummary summary;
  bool valid = true;
  const auto text_ = [&](const char* name, std::string& into) {
    const auto found = members->find(name);
    if (found == members->end()) return;
    if (const auto* value = std::get_if<std::string>(&found->second)) {
      into = *value;
    } else {
      valid = false;
    }
  };
  const auto truth = [&](const char* name, bool& into) {
    const auto found = members->find(name);
    if (found == members->end()) return;
    if (const auto* value = std::get_if<bool>(&found->second)) {
      into = *value;
    } else {
      valid = false;
    }
  };
  const auto count = [&](const char* name, std::int64_t& into) {
    const auto found = members->find(name);
    if (found == members->end()) return;
    const auto* value = std::get_if<double>(&found->second);
    if (!value || *value < 0 || *value > 1e15 || std::floor(*value) != *value) {
      valid = false;
      return;
    }
    into = static_cast<std::int64_t>(*value);
  };
  text_("end", summary.end);
  truth("succeeded", summary.succeeded);
  truth("stopped", summary.stopped);
  text_("failure", summary.failure);
  text_("output_root", summary.outputRoot);
  text_("log", summary.log);
  count("folders", summary.folders);
  count("folders_not_exported", summary.foldersNotExported);
  count("messages", summary.messages);
  count("written", summary.written);
  count("not_written", summary.notWritten);
  count("partial", summary.partial);
  count("encrypted", summary.encrypted);
  count("attachments_not_extracted", summary.attachmentsNotExtracted);
  count("already_there", summary.alreadyThere);
  count("left", summary.left);
  if (const auto found = members->find("seconds"); found != members->end()) {
    const auto* value = std::get_if<double>(&found->second);
    if (!value || *value < 0 || *value > 1e9) return std::nullopt;
    summary.seconds = *value;
  }
  if (!valid || summary.end.empty()) return std::nullopt;
  return summary;
}

}  // namespace mailshift::batch
