#include "cli/ScanText.h"

#include <iostream>

#include "cli/ConsoleText.h"
#include "common/Messages.h"

namespace mailshift::cli {

notes::ScanResult ScanOrSayWhyNot(notes::SessionFactory& sessions, const std::string& database) {
  if (database.empty()) {
    std::cerr << notes::kNoDatabaseChosenText << '\n';
    return {};
  }
  notes::ScanResult scan = notes::Scan(sessions, database);
  if (scan.end == notes::ScanEnd::Completed) return scan;
  if (scan.end == notes::ScanEnd::NotInstalled) {
    std::cerr << ConsoleLines(NotInstalledText()) << '\n';
  } else {
    std::cerr << notes::kNoDataText << '\n';
    if (!scan.failure.empty()) std::cerr << "(" << TerminalText(scan.failure) << ")\n";
  }
  return scan;
}

}  // namespace mailshift::cli
