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
    SayWhyUnreadable(scan.failure);
  }
  return scan;
}

void SayWhyUnreadable(const std::string& reason) {
  // The reader's reason is the truth about the file; the general guess only stands in for none.
  if (reason.empty()) {
    std::cerr << notes::kNoDataText << '\n';
  } else {
    std::cerr << TerminalText(reason) << '\n';
  }
}

}  // namespace mailshift::cli
