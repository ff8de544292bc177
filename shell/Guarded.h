// Runs a window's command so that a failure nobody planned for is shown to the user instead of
// ending the program.
#pragma once

#include <exception>
#include <string>
#include <utility>

#include "common/Controls.h"

namespace mailshift::shell {

template <typename Command>
void RunGuarded(MessageBoxes& messages, Command&& command) {
  try {
    std::forward<Command>(command)();
  } catch (const std::exception& error) {
    messages.Show(std::string("The command could not be completed:\r\n") + error.what(), "",
                  MessageIcon::Critical, MessageButtons::Ok);
  }
}

}  // namespace mailshift::shell
