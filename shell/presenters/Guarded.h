// Runs a window's command so that a failure nobody planned for is shown to the user instead of
// ending the program.
#pragma once

#include <exception>
#include <string>
#include <utility>

#include "common/Controls.h"
#include "shell/presenters/ShellTexts.h"

namespace mailshift::shell {

template <typename Command>
void RunGuarded(MessageBoxes& messages, Command&& command) {
  try {
    std::forward<Command>(command)();
  } catch (const std::exception& error) {
    messages.Show(std::string(text::kCommandFailed) + error.what(), "", MessageIcon::Critical,
                  MessageButtons::Ok);
  }
}

}  // namespace mailshift::shell
