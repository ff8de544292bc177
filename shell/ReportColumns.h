// The columns of a report list, read from a header format such as
// "From/To;150;0;0;;-1|Subject;240;0;0;;-1": per column, separated by "|", the caption, the width
// in pixels, the alignment code (0 left, 1 centre, 2 right) and settings this list does not use.
#pragma once

#include <QString>
#include <string_view>
#include <vector>

namespace mailshift::shell {

struct ReportColumn {
  QString caption;
  int width = 0;
  Qt::Alignment alignment = Qt::AlignLeft;
};

// Throws ControlError on a column without caption and width or with an unknown alignment code.
std::vector<ReportColumn> ParseHeaderFormat(std::string_view format);

inline constexpr std::string_view kMailListHeaderFormat =
    "From/To;150;0;0;;-1|Subject;240;0;0;;-1|Size;52;2;0;;-1|Date;150;0;0;;-1";

}  // namespace mailshift::shell
