#include "batch/CsvRecords.h"

namespace mailshift::batch {
namespace {

constexpr std::size_t kMostProblems = 40;

class CsvReader {
 public:
  CsvReader(std::string_view text, const CsvLimits& limits) : text_(text), limits_(limits) {
    if (text_.substr(0, 3) == "\xEF\xBB\xBF") text_.remove_prefix(3);
  }

  CsvRead Read() {
    while (at_ < text_.size() && !stopped_) ReadRecord();
    return std::move(result_);
  }

 private:
  void Problem(std::size_t line, const std::string& what) {
    if (result_.problems.size() < kMostProblems) {
      result_.problems.push_back("line " + std::to_string(line) + ": " + what);
    } else {
      stopped_ = true;
    }
  }

  bool AtLineEnd() const {
    return text_[at_] == '\n' || (text_[at_] == '\r' && at_ + 1 < text_.size() && text_[at_ + 1] == '\n');
  }
  void SkipLineEnd() {
    at_ += text_[at_] == '\r' ? 2 : 1;
    ++line_;
  }

  // A record from here to the end of its line; a quoted field may span lines.
  void ReadRecord() {
    CsvRecord record;
    record.line = line_;
    bool broken = false;
    for (;;) {
      std::string field;
      if (!ReadField(record.line, field)) {
        broken = true;
        break;
      }
      if (record.fields.size() == limits_.fields) {
        Problem(record.line, "more than " + std::to_string(limits_.fields) + " fields");
        broken = true;
        break;
      }
      record.fields.push_back(std::move(field));
      if (at_ >= text_.size()) break;
      if (text_[at_] == ',') {
        ++at_;
        continue;
      }
      SkipLineEnd();  // ReadField stops only at a comma, a line end or the end
      break;
    }
    if (broken) {
      SkipRestOfLine();
      return;
    }
    const bool blank = record.fields.size() == 1 && record.fields.front().empty();
    if (blank) return;
    if (result_.records.size() == limits_.records) {
      Problem(record.line, "more than " + std::to_string(limits_.records) + " records");
      stopped_ = true;
      return;
    }
    result_.records.push_back(std::move(record));
  }

  void SkipRestOfLine() {
    while (at_ < text_.size() && !AtLineEnd()) ++at_;
    if (at_ < text_.size()) SkipLineEnd();
  }

  bool Append(std::size_t line, std::string& field, char c) {
    if (field.size() == limits_.fieldBytes) {
      Problem(line, "a field longer than " + std::to_string(limits_.fieldBytes) + " bytes");
      return false;
    }
    field.push_back(c);
    return true;
  }

  // Reads one field and leaves at_ on the comma or line end after it (or the end). False after a
  // problem was said.
  bool ReadField(std::size_t line, std::string& field) {
    if (at_ < text_.size() && text_[at_] == '"') {
      ++at_;
      for (;;) {
        if (at_ >= text_.size()) {
          Problem(line, "a quoted field is not closed");
          return false;
        }
        const char c = text_[at_];
        if (c == '"') {
          if (at_ + 1 < text_.size() && text_[at_ + 1] == '"') {
            if (!Append(line, field, '"')) return false;
            at_ += 2;
            continue;
          }
          ++at_;
          break;
        }
        if (c == '\n') ++line_;
        if (!Append(line, field, c)) return false;
        ++at_;
      }
      if (at_ < text_.size() && text_[at_] != ',' && !AtLineEnd()) {
        Problem(line_, "text after the closing quote of a field");
        return false;
      }
      return true;
    }
    while (at_ < text_.size() && text_[at_] != ',' && !AtLineEnd()) {
      const char c = text_[at_];
      if (c == '"') {
        Problem(line_, "a quote inside a field that does not begin with one");
        return false;
      }
      if (c == '\r' || c == '\0') {
        Problem(line_, c == '\r' ? "a carriage return without a line feed" : "a NUL character");
        return false;
      }
      if (!Append(line, field, c)) return false;
      ++at_;
    }
    return true;
  }

  std::string_view text_;
  CsvLimits limits_;
  std::size_t at_ = 0;
  std::size_t line_ = 1;
  bool stopped_ = false;
  CsvRead result_;
};

}  // namespace

CsvRead ReadCsv(std::string_view text, const CsvLimits& limits) { return CsvReader(text, limits).Read(); }

std::string CsvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos &&
      (text.empty() || (text.front() != ' ' && text.back() != ' ')))
    return std::string(text);
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}

std::string CsvLine(const std::vector<std::string>& fields) {
  std::string line;
  for (std::size_t index = 0; index < fields.size(); ++index) {
    if (index > 0) line += ',';
    line += CsvField(fields[index]);
  }
  return line + "\r\n";
}

}  // namespace mailshift::batch
