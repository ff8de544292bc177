#include "notes/PreviewOrder.h"

#include <charconv>
#include <tuple>

#include "common/DateText.h"

namespace mailshift::notes {
namespace {

// "12 KB" gives 12; anything else gives nothing.
bool ReadKilobytes(std::string_view cell, std::int64_t& kilobytes) {
  constexpr std::string_view kUnit = " KB";
  if (cell.size() <= kUnit.size() || cell.substr(cell.size() - kUnit.size()) != kUnit) return false;
  const std::string_view number = cell.substr(0, cell.size() - kUnit.size());
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), kilobytes);
  return error == std::errc() && end == number.data() + number.size();
}

std::string Folded(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

}  // namespace

bool operator<(const PreviewSortKey& a, const PreviewSortKey& b) {
  return std::tie(a.readable, a.number, a.text, a.cell) < std::tie(b.readable, b.number, b.text, b.cell);
}

PreviewSortKey PreviewCellSortKey(int column, std::string_view cell) {
  PreviewSortKey key;
  key.cell = std::string(cell);
  if (column == kSizeColumn) {
    key.readable = ReadKilobytes(cell, key.number);
  } else if (column == kDateColumn) {
    if (const auto when = ParseDateText(cell)) {
      key.readable = true;
      key.number = when->secondsSinceEpoch;
    }
  } else {
    key.readable = true;
  }
  if (!key.readable || (column != kSizeColumn && column != kDateColumn)) key.text = Folded(cell);
  return key;
}

}  // namespace mailshift::notes
