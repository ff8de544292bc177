// Texts of the program as a terminal shows them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/TextRules.h"

namespace mailshift::cli {

// Text from a database as a terminal may show it: no control character reaches the terminal
// raw, and bytes that are no UTF-8 show as the replacement character.
inline std::string TerminalText(std::string_view text) {
  return ReplaceControlCharacters(text, "\xEF\xBF\xBD", true);
}

// A message's CR LF line breaks as the terminal's line breaks, each line made safe.
inline std::string ConsoleLines(std::string_view message) {
  std::vector<std::string> lines = Split(message, '\n');
  for (std::string& line : lines) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    line = TerminalText(line);
  }
  return Join(lines, "\n");
}

}  // namespace mailshift::cli
