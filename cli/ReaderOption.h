// --reader native|notes: which reader reads the database (see platform/SystemNotesClient.h).
#pragma once

#include <CLI/CLI.hpp>
#include <memory>
#include <string>

#include "platform/SystemNotesClient.h"

namespace mailshift::cli {

inline void AddReaderOption(CLI::App* command, const std::shared_ptr<std::string>& reader) {
  command
      ->add_option("--reader", *reader,
                   "native: read the Notes database file directly; notes: through the Notes client "
                   "(by default the Notes client when one is installed, the native reader otherwise)")
      ->check(CLI::IsMember({"native", "notes"}));
}

inline platform::ReaderChoice ChosenReader(const std::string& reader) {
  return platform::ReaderChoiceNamed(reader).value_or(platform::ReaderChoice::Automatic);
}

}  // namespace mailshift::cli
