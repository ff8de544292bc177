// The figures of one export as a small JSON object, written by `export --summary FILE` at its end
// and read back by the batch that started it. The reader trusts nothing: a flat object of strings,
// numbers and truth values, bounded.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace mailshift::batch {

struct ExportSummary {
  std::string end;         // "completed", "notes not installed", "conversion error", "destination error"
  bool succeeded = false;  // every message written whole, the log complete, nothing stopped
  bool stopped = false;
  std::string failure;     // why the run ended early
  std::string outputRoot;  // the root of the written tree
  std::string log;         // where the log went
  std::int64_t folders = 0;
  std::int64_t foldersNotExported = 0;
  std::int64_t messages = 0;  // documents handed on in this run
  std::int64_t written = 0;   // written in this run
  std::int64_t notWritten = 0;
  std::int64_t partial = 0;
  std::int64_t encrypted = 0;
  std::int64_t attachmentsNotExtracted = 0;
  std::int64_t alreadyThere = 0;  // written by an earlier run into the same place
  std::int64_t left = 0;          // not reached because the run was stopped
  double seconds = 0;
};

std::string SummaryJson(const ExportSummary& summary);
// None when the text is not such an object (or larger than a summary can be).
std::optional<ExportSummary> ParseSummaryJson(std::string_view text);

// JSON's string form of UTF-8 text (with the quotes); broken sequences become U+FFFD.
std::string JsonString(std::string_view text);

}  // namespace mailshift::batch
