// The report of a batch: `report.csv` (one row per mailbox) and `report.html` (the same rows as
// one sortable table with totals, readable offline), both replaced whole whenever they are written.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "batch/MailboxResult.h"

namespace mailshift::batch {

inline constexpr std::string_view kReportCsvName = "report.csv";
inline constexpr std::string_view kReportHtmlName = "report.html";

std::string ReportCsv(const std::vector<MailboxResult>& rows);
std::string ReportHtml(const std::vector<MailboxResult>& rows);

struct ReportRead {
  std::vector<MailboxResult> rows;
  std::vector<std::string> problems;  // "line N: ..." for rows that cannot be read (left out)
};

// The rows of a report.csv, as ReportCsv wrote them (columns found by their names).
ReportRead ReadReportCsv(std::string_view text);
// The rows of the report.csv in folder; none (and no problem) when there is none.
ReportRead ReadReportFile(const std::string& folder);

// Writes both files into folder (which must exist). "" when done, otherwise why not.
std::string WriteReport(const std::string& folder, const std::vector<MailboxResult>& rows);

// Text for HTML: &, <, >, " and ' as references, broken UTF-8 as U+FFFD.
std::string HtmlText(std::string_view text);

}  // namespace mailshift::batch
