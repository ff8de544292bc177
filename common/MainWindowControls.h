// The controls of the main window that the scan, the preview and the export launch work on.
#pragma once

#include "common/Controls.h"

namespace mailshift {

struct MainWindowControls {
  TabControl& NotesTab;
  Control& txtNotesDatabaseFile;
  Control& CmdBrowse;
  Control& CmdScan;
  Control& ScanFrame;
  Control& ImgReadingArrow;
  Control& ImgEmailsArrow;
  Control& ImgMailFolderArrow;
  Control& LblFolderName;
  TreeControl& ContactsTreeView;
  ReportList& MailList;
  ToolBar& NotesToolBar;
  MessageBoxes& Messages;
  Waiter& Wait;
};

}  // namespace mailshift
