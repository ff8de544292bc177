// Comma-separated records as RFC 4180 writes them: fields quoted when they hold a comma, a quote or
// a line break, quotes doubled inside. Reading is bounded and names the line of every problem.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace mailshift::batch {

struct CsvRecord {
  std::size_t line = 0;  // the line the record begins on, from 1
  std::vector<std::string> fields;
};

struct CsvLimits {
  std::size_t records = 1'000'000;
  std::size_t fields = 32;
  std::size_t fieldBytes = 4096;
};

struct CsvRead {
  std::vector<CsvRecord> records;     // blank lines are left out
  std::vector<std::string> problems;  // "line N: ...", at most a few dozen
};

// The records of the text, which may begin with a UTF-8 byte-order mark and end its lines in CR LF
// or LF. Reading stops at a record past the limits, after saying so.
CsvRead ReadCsv(std::string_view text, const CsvLimits& limits = {});

// One field as a record holds it: quoted only when it needs to be.
std::string CsvField(std::string_view text);
// The fields joined with commas, ending in CR LF.
std::string CsvLine(const std::vector<std::string>& fields);

}  // namespace mailshift::batch
