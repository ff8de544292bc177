// The message list's columns and order, for both sets of windows.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace mailshift::shell {

enum class ColumnAlignment { Left, Centre, Right };

struct ReportColumn {
  std::string caption;
  int width = 0;
  ColumnAlignment alignment = ColumnAlignment::Left;
};

// The columns of a report list, read from a header format such as
// "From/To;150;0;0;;-1|Subject;240;0;0;;-1": per column, separated by "|", the caption, the width
// in pixels, the alignment code (0 left, 1 centre, 2 right) and settings this list does not use.
// Throws ControlError on a column without caption and width or with an unknown alignment code.
std::vector<ReportColumn> ParseHeaderFormat(std::string_view format);

// The order of rows sorted by a column (the row indexes, first to last), by what the column's
// cells mean: sizes by kilobytes, dates by their instant, other texts without regard to case.
// Equal cells keep their order.
std::vector<std::size_t> SortedRows(const std::vector<std::vector<std::string>>& rows, int column,
                                    bool descending);

}  // namespace mailshift::shell
