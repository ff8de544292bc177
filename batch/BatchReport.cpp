#include "batch/BatchReport.h"

#include <array>
#include <charconv>
#include <cmath>
#include <map>

#include "batch/CsvRecords.h"
#include "common/PlainFile.h"
#include "common/Utf8.h"

namespace mailshift::batch {
namespace {

// The columns, in the order they are written.
constexpr std::array<std::string_view, 13> kColumns{
    "database", "status",      "written", "not_written", "partial",     "encrypted", "bytes",
    "seconds",  "first_error", "folders", "owner",       "destination", "log"};

constexpr std::size_t kMostReportBytes = 512u << 20;

std::string Seconds(double seconds) {
  char text[64];
  const auto [end, error] = std::to_chars(text, text + sizeof text, seconds, std::chars_format::fixed, 1);
  return error == std::errc() ? std::string(text, end) : "0";
}

std::vector<std::string> Fields(const MailboxResult& row) {
  return {row.database,
          std::string(StatusText(row.status)),
          std::to_string(row.written),
          std::to_string(row.notWritten),
          std::to_string(row.partial),
          std::to_string(row.encrypted),
          std::to_string(row.bytes),
          Seconds(row.seconds),
          row.firstError,
          std::to_string(row.folders),
          row.owner,
          row.destination,
          row.log};
}

bool ReadCount(const std::string& text, std::int64_t& into) {
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0) return false;
  into = value;
  return true;
}

bool ReadSeconds(const std::string& text, double& into) {
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value) ||
      value < 0)
    return false;
  into = value;
  return true;
}

std::string Bytes(std::int64_t bytes) {
  const char* units[] = {"B", "KB", "MB", "GB", "TB"};
  double value = static_cast<double>(bytes);
  int unit = 0;
  while (value >= 1024 && unit < 4) {
    value /= 1024;
    ++unit;
  }
  char text[64];
  const auto [end, error] =
      std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, unit == 0 ? 0 : 1);
  return (error == std::errc() ? std::string(text, end) : "?") + " " + units[unit];
}

constexpr std::string_view kHtmlHead = R"(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta http-equiv="Content-Security-Policy" content="default-src 'none'; style-src 'unsafe-inline'; script-src 'unsafe-inline'">
<title>Corvane Mailshift batch report</title>
<style>
body { font: 14px sans-serif; margin: 1em; }
table { border-collapse: collapse; }
th, td { border: 1px solid #bbb; padding: 3px 6px; text-align: left; vertical-align: top; }
th { background: #e8eef6; cursor: pointer; user-select: none; }
td.n, th.n { text-align: right; }
tfoot td { font-weight: bold; background: #f4f4f4; }
tr.failed td { background: #fde8e8; }
tr.errors td { background: #fff6dc; }
</style>
</head>
<body>
<h1>Corvane Mailshift batch report</h1>
)";

// Sorts the table by the column whose heading is clicked (again: the other way); numbers by value.
constexpr std::string_view kSortScript = R"(<script>
document.querySelectorAll("th").forEach(function (heading, column) {
  heading.addEventListener("click", function () {
    var body = document.querySelector("tbody");
    var rows = Array.prototype.slice.call(body.rows);
    var up = heading.getAttribute("data-up") !== "1";
    document.querySelectorAll("th").forEach(function (other) { other.removeAttribute("data-up"); });
    if (up) heading.setAttribute("data-up", "1");
    rows.sort(function (a, b) {
      var x = a.cells[column], y = b.cells[column];
      var p = x.getAttribute("data-v"), q = y.getAttribute("data-v");
      var order = p !== null ? Number(p) - Number(q) : x.textContent.localeCompare(y.textContent);
      return up ? order : -order;
    });
    rows.forEach(function (row) { body.appendChild(row); });
  });
});
</script>
)";

std::string NumberCell(std::int64_t value) {
  return "<td class=\"n\" data-v=\"" + std::to_string(value) + "\">" + std::to_string(value) + "</td>";
}

}  // namespace

std::string HtmlText(std::string_view text) {
  std::string out;
  for (const char c : ValidUtf8(text)) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string ReportCsv(const std::vector<MailboxResult>& rows) {
  std::string text = CsvLine(std::vector<std::string>(kColumns.begin(), kColumns.end()));
  for (const MailboxResult& row : rows) text += CsvLine(Fields(row));
  return text;
}

std::string ReportHtml(const std::vector<MailboxResult>& rows) {
  MailboxResult total;
  std::map<MailboxStatus, int> byStatus;
  for (const MailboxResult& row : rows) {
    ++byStatus[row.status];
    total.folders += row.folders;
    total.written += row.written;
    total.notWritten += row.notWritten;
    total.partial += row.partial;
    total.encrypted += row.encrypted;
    total.bytes += row.bytes;
    total.seconds += row.seconds;
  }
  std::string html(kHtmlHead);
  html += "<p>" + std::to_string(rows.size()) + " mailboxes";
  for (const auto& [status, count] : byStatus)
    html += ", " + std::to_string(count) + " " + std::string(StatusText(status));
  html +=
      ".</p>\n<table>\n<thead><tr><th>Mailbox</th><th>Owner</th><th>Status</th><th class=\"n\">Folders</th>"
      "<th class=\"n\">Written</th><th class=\"n\">Not written</th><th class=\"n\">Written in part</th>"
      "<th class=\"n\">Encrypted</th><th class=\"n\">Bytes</th><th class=\"n\">Seconds</th>"
      "<th>First error</th></tr></thead>\n<tbody>\n";
  for (const MailboxResult& row : rows) {
    const char* rowClass = row.status == MailboxStatus::Failed           ? " class=\"failed\""
                           : row.status == MailboxStatus::DoneWithErrors ? " class=\"errors\""
                                                                         : "";
    html += std::string("<tr") + rowClass + "><td>" + HtmlText(row.database) + "</td><td>" +
            HtmlText(row.owner) + "</td><td>" + HtmlText(StatusText(row.status)) + "</td>" +
            NumberCell(row.folders) + NumberCell(row.written) + NumberCell(row.notWritten) +
            NumberCell(row.partial) + NumberCell(row.encrypted) + "<td class=\"n\" data-v=\"" +
            std::to_string(row.bytes) + "\">" + Bytes(row.bytes) + "</td><td class=\"n\" data-v=\"" +
            Seconds(row.seconds) + "\">" + Seconds(row.seconds) + "</td><td>" + HtmlText(row.firstError) +
            "</td></tr>\n";
  }
  html += "</tbody>\n<tfoot><tr><td>Total</td><td></td><td></td><td class=\"n\">" +
          std::to_string(total.folders) + "</td><td class=\"n\">" + std::to_string(total.written) +
          "</td><td class=\"n\">" + std::to_string(total.notWritten) + "</td><td class=\"n\">" +
          std::to_string(total.partial) + "</td><td class=\"n\">" + std::to_string(total.encrypted) +
          "</td><td class=\"n\">" + Bytes(total.bytes) + "</td><td class=\"n\">" + Seconds(total.seconds) +
          "</td><td></td></tr></tfoot>\n</table>\n";
  html += kSortScript;
  return html + "</body>\n</html>\n";
}

ReportRead ReadReportCsv(std::string_view text) {
  ReportRead result;
  CsvLimits limits;
  CsvRead read = ReadCsv(text, limits);
  result.problems = std::move(read.problems);
  if (read.records.empty()) return result;
  std::map<std::string, std::size_t> at;
  const CsvRecord& header = read.records.front();
  for (std::size_t index = 0; index < header.fields.size(); ++index) at.emplace(header.fields[index], index);
  if (!at.contains("database") || !at.contains("status")) {
    result.problems.push_back("line " + std::to_string(header.line) + ": not the header of a batch report");
    return result;
  }
  for (std::size_t index = 1; index < read.records.size(); ++index) {
    const CsvRecord& record = read.records[index];
    const auto field = [&](std::string_view name) -> const std::string* {
      const auto found = at.find(std::string(name));
      if (found == at.end() || found->second >= record.fields.size()) return nullptr;
      return &record.fields[found->second];
    };
    const std::string where = "line " + std::to_string(record.line) + ": ";
    if (record.fields.size() != header.fields.size()) {
      result.problems.push_back(where + "not as many fields as the header names");
      continue;
    }
    MailboxResult row;
    row.database = *field("database");
    const std::optional<MailboxStatus> status = StatusNamed(*field("status"));
    if (row.database.empty() || !status || !IsValidUtf8(row.database)) {
      result.problems.push_back(where + "no database or no known status");
      continue;
    }
    row.status = *status;
    bool valid = true;
    const auto count = [&](std::string_view name, std::int64_t& into) {
      if (const std::string* value = field(name); value && !ReadCount(*value, into)) valid = false;
    };
    const auto textOf = [&](std::string_view name, std::string& into) {
      if (const std::string* value = field(name)) into = ValidUtf8(*value);
    };
    count("written", row.written);
    count("not_written", row.notWritten);
    count("partial", row.partial);
    count("encrypted", row.encrypted);
    count("bytes", row.bytes);
    count("folders", row.folders);
    if (const std::string* seconds = field("seconds"); seconds && !ReadSeconds(*seconds, row.seconds))
      valid = false;
    textOf("first_error", row.firstError);
    textOf("owner", row.owner);
    textOf("destination", row.destination);
    textOf("log", row.log);
    if (!valid) {
      result.problems.push_back(where + "a figure that is not a number");
      continue;
    }
    result.rows.push_back(std::move(row));
  }
  return result;
}

ReportRead ReadReportFile(const std::string& folder) {
  const std::filesystem::path path =
      std::filesystem::path(std::u8string(folder.begin(), folder.end())) / kReportCsvName;
  std::error_code error;
  if (!std::filesystem::exists(path, error)) return {};
  const std::optional<std::string> text = ReadPlainFile(path, kMostReportBytes);
  if (!text) {
    ReportRead result;
    result.problems.push_back("the report cannot be read");
    return result;
  }
  return ReadReportCsv(*text);
}

std::string WriteReport(const std::string& folder, const std::vector<MailboxResult>& rows) {
  const std::filesystem::path root(std::u8string(folder.begin(), folder.end()));
  if (!ReplaceFileWhole(root / kReportCsvName, ReportCsv(rows)))
    return "the report cannot be written in " + folder;
  if (!ReplaceFileWhole(root / kReportHtmlName, ReportHtml(rows)))
    return "the HTML report cannot be written in " + folder;
  return {};
}

}  // namespace mailshift::batch
