// Texts of the program as a terminal shows them.
#pragma once

#include <string>
#include <string_view>

namespace mailshift::cli {

// A message's CR LF line breaks as the terminal's line breaks.
inline std::string ConsoleLines(std::string_view message) {
  std::string text;
  text.reserve(message.size());
  for (std::size_t i = 0; i < message.size(); ++i) {
    if (message[i] == '\r' && i + 1 < message.size() && message[i + 1] == '\n') continue;
    text += message[i];
  }
  return text;
}

}  // namespace mailshift::cli
