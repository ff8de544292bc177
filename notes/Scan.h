// The "Start Scan" command: reads the folders of the chosen database into the folder tree.
#pragma once

#include <string>
#include <vector>

#include "common/MainWindowControls.h"
#include "common/ProgramValues.h"
#include "notes/NotesObjects.h"
#include "notes/NotesState.h"

namespace mailshift::notes {

// How a scan ended; every end but the first shows its own message.
enum class ScanEnd {
  NotOnSelectFileTab,  // the command did nothing
  NoDatabaseChosen,    // the guidance message
  NotInstalled,        // the not-installed message
  NoData,              // the no-data message
  Completed,           // the success message
};

struct ScanOutcome {
  ScanEnd end = ScanEnd::NotOnSelectFileTab;
  // The failures the scan stepped over, in order; the user is not shown them.
  std::vector<std::string> skippedFailures;
  // Why the database gave no data, as its reader tells it; empty for the other ends.
  std::string noDataReason;
};

// The handler of `CmdScan` and of toolbar button 2. Creates a new session into notes.SessionObj,
// fills the tree, reads the title into values.DatabaseTitle and the six counts into `values`.
// Failures of the controls before the session is created reach the caller.
ScanOutcome CmdScan_Click(MainWindowControls& window, SessionFactory& sessions, NotesState& notes,
                          ProgramValues& values);

}  // namespace mailshift::notes
