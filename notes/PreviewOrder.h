// The order of the message list when the user sorts it by a column: sizes by their number of
// kilobytes, dates by their instant, the other columns by their text without regard to case.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace mailshift::notes {

// The columns of a preview row (see PreviewRow), from 0.
inline constexpr int kFromToColumn = 0;
inline constexpr int kSubjectColumn = 1;
inline constexpr int kSizeColumn = 2;
inline constexpr int kDateColumn = 3;

// What a cell sorts by. Cells whose size or date cannot be read sort before all others, among
// themselves by their text.
struct PreviewSortKey {
  bool readable = false;
  std::int64_t number = 0;  // kilobytes or seconds since the epoch
  std::string text;         // folded to lower case for the text columns
  std::string cell;         // the cell itself, to keep equal-looking texts in a fixed order

  friend bool operator<(const PreviewSortKey& a, const PreviewSortKey& b);
};

PreviewSortKey PreviewCellSortKey(int column, std::string_view cell);

}  // namespace mailshift::notes
