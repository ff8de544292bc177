// What the windows are handed: the program-wide values, the outside components and the dialogs.
// The program passes the real ones; the tests pass their own.
#pragma once

#include <QString>
#include <functional>
#include <string>

#include "common/Controls.h"
#include "common/ProgramValues.h"
#include "common/RememberedFolders.h"
#include "export/EmailItemWriter.h"
#include "notes/NotesObjects.h"
#include "notes/NotesState.h"
#include "shell/QtDialogs.h"

namespace mailshift::shell {

// The program-wide values and the shared Notes state.
struct ProgramState {
  ProgramValues Values;
  notes::NotesState Notes;
};

struct ShellServices {
  MessageBoxes& Messages;
  FileOpenDialog& FileDialog;
  FileOpener& Desktop;
  Waiter& Wait;
  notes::SessionFactory& Sessions;
  // CreateEmailItem: one message's fields become one .eml file.
  mail::EmailItemWriter& Writer;
  // Where the export run writes its log.
  std::string LogPath;
  // The folder that holds the program's own files (the help file among them).
  QString ProgramFolder;
  // Ends the program at once: every window closes and no further event runs.
  std::function<void()> EndProgram;
  // The last database folder and destination, kept between runs; none keeps nothing.
  RememberedFolders* Remembered = nullptr;
};

}  // namespace mailshift::shell
