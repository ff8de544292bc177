// Asks for a password on the terminal without showing what is typed.
#pragma once

#include <optional>
#include <string>

namespace mailshift::cli {

// The line typed after the prompt (shown on standard error), without echo; none when standard
// input is no terminal or the input ended.
std::optional<std::string> AskPassword(const std::string& prompt);

}  // namespace mailshift::cli
