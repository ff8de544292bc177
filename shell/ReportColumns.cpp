#include "shell/ReportColumns.h"

#include <charconv>
#include <string>

#include "common/Controls.h"
#include "common/TextRules.h"

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

Qt::Alignment Alignment(int code, const std::string& column) {
  switch (code) {
    case 0:
      return Qt::AlignLeft | Qt::AlignVCenter;
    case 1:
      return Qt::AlignHCenter | Qt::AlignVCenter;
    case 2:
      return Qt::AlignRight | Qt::AlignVCenter;
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
    columns.push_back(ReportColumn{QString::fromStdString(settings[0]), width,
                                   Alignment(Number(settings[2], settings[0]), settings[0])});
  }
  return columns;
}

}  // namespace mailshift::shell
