// The "Start Scan" command of the main window: scans the chosen database (Scan, notes/MailScan.h)
// and shows the result in the folder tree.
#pragma once

#include "common/MainWindowControls.h"
#include "common/ProgramValues.h"
#include "notes/MailScan.h"
#include "notes/NotesObjects.h"
#include "notes/NotesState.h"

namespace mailshift::notes {

struct ScanOutcome {
  // False when the command did nothing (another tab is shown) or showed the guidance (no
  // database chosen).
  bool started = false;
  ScanResult result;
};

// The handler of `CmdScan` and of toolbar button 2. Keeps the scan's session in notes.SessionObj,
// fills the tree, reads the title into values.DatabaseTitle and the six counts into `values`.
ScanOutcome CmdScan_Click(MainWindowControls& window, SessionFactory& sessions, NotesState& notes,
                          ProgramValues& values);

}  // namespace mailshift::notes
