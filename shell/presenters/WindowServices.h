// What the windows are handed: the mail core, the outside components and the dialogs. The program
// passes the real ones; the tests pass their own.
#pragma once

#include <functional>
#include <string>

#include "common/Controls.h"
#include "common/Global.h"
#include "common/RememberedFolders.h"
#include "shell/presenters/MailCore.h"

namespace mailshift::shell {

// Opens a file or folder with the program the desktop associates with it.
class FileOpener {
 public:
  virtual ~FileOpener() = default;
  // False when there is no such program or it could not be started.
  virtual bool Open(const std::string& path) = 0;
};

struct WindowServices {
  MessageBoxes& Messages;
  FileOpenDialog& FileDialog;
  FolderPicker& Folders;
  FileOpener& Desktop;
  Waiter& Wait;
  MailCore& Core;
  // Where the export run writes its log.
  std::string LogPath;
  // The folder that holds the program's own files (the help file among them).
  std::string ProgramFolder;
  // Ends the program at once: every window closes and no further event runs.
  std::function<void()> EndProgram;
  // The last database folder and destination, the names table and the plain-text option, kept
  // between runs; none keeps nothing.
  RememberedFolders* Remembered = nullptr;
};

}  // namespace mailshift::shell
