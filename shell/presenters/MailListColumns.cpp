#include "shell/presenters/MailListColumns.h"

#include <algorithm>
#include <charconv>
#include <utility>

#include "common/Controls.h"
#include "common/TextRules.h"
#include "notes/PreviewOrder.h"

namespace mailshift::shell {
namespace {

int Number(const std::string& text, const std::string& column) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
    throw ControlError("header format: \"" + text + "\" is not a number in column " + column);
  }
  return value;
}

ColumnAlignment Alignment(int code, const std::string& column) {
  switch (code) {
    case 0:
      return ColumnAlignment::Left;
    case 1:
      return ColumnAlignment::Centre;
    case 2:
      return ColumnAlignment::Right;
    default:
      throw ControlError("header format: unknown alignment code in column " + column);
  }
}

}  // namespace

std::vector<ReportColumn> ParseHeaderFormat(std::string_view format) {
  std::vector<ReportColumn> columns;
  for (const std::string& entry : Split(format, '|')) {
    const std::vector<std::string> settings = Split(entry, ';');
    if (settings.size() < 3 || settings[0].empty()) {
      throw ControlError("header format: column \"" + entry + "\" needs a caption, a width and an alignment");
    }
    const int width = Number(settings[1], settings[0]);
    if (width <= 0) throw ControlError("header format: column " + settings[0] + " has no width");
    columns.push_back(
        ReportColumn{settings[0], width, Alignment(Number(settings[2], settings[0]), settings[0])});
  }
  return columns;
}

std::vector<std::size_t> SortedRows(const std::vector<std::vector<std::string>>& rows, int column,
                                    bool descending) {
  std::vector<std::pair<notes::PreviewSortKey, std::size_t>> keys;
  keys.reserve(rows.size());
  const auto cell = static_cast<std::size_t>(column);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    keys.emplace_back(
        notes::PreviewCellSortKey(column, cell < rows[i].size() ? rows[i][cell] : std::string()), i);
  }
  std::stable_sort(keys.begin(), keys.end(), [descending](const auto& a, const auto& b) {
    return descending ? b.first < a.first : a.first < b.first;
  });
  std::vector<std::size_t> order;
  order.reserve(keys.size());
  for (const auto& key : keys) order.push_back(key.second);
  return order;
}

}  // namespace mailshift::shell
