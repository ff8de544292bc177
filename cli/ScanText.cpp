#include "cli/ScanText.h"

#include <iostream>

#include "cli/Console.h"
#include "cli/ConsoleText.h"
#include "common/Messages.h"

namespace mailshift::cli {
namespace {

// Lets Ctrl+C end the scan between two folders, as it ends an export between two messages.
class StopOnRequest : public notes::ScanObserver {
 public:
  bool StopRequested() override { return StopRequests::Requested(); }
};

}  // namespace

notes::ScanResult ScanOrSayWhyNot(notes::SessionFactory& sessions, const std::string& database) {
  if (database.empty()) {
    std::cerr << notes::kNoDatabaseChosenText << '\n';
    return {};
  }
  StopOnRequest stopOnRequest;
  notes::ScanResult scan = notes::Scan(sessions, database, &stopOnRequest);
  switch (scan.end) {
    case notes::ScanEnd::Completed:
      break;
    case notes::ScanEnd::Stopped:
      std::cerr << kScanStoppedText << '\n';
      break;
    case notes::ScanEnd::NotInstalled:
      std::cerr << ConsoleLines(NotInstalledText()) << '\n';
      break;
    case notes::ScanEnd::NoData:
      SayWhyUnreadable(scan.failure);
      break;
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
