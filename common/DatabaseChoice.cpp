#include "common/DatabaseChoice.h"

namespace mailshift {

namespace {
constexpr int kPreviewTab = 2;
constexpr int kScanButton = 2;
}  // namespace

bool TakeDatabaseFile(MainWindowControls& window, const std::string& chosen, RememberedFolders* remembered) {
  const bool remembering =
      chosen.empty() || remembered == nullptr || remembered->RememberDatabaseFolder(FolderOfFile(chosen));
  window.txtNotesDatabaseFile.SetCaption(chosen);
  window.NotesTab.SetTabEnabled(kPreviewTab, false);
  window.ImgReadingArrow.SetVisible(false);
  window.ImgEmailsArrow.SetVisible(false);
  window.ImgMailFolderArrow.SetVisible(false);
  if (window.txtNotesDatabaseFile.Caption().empty()) window.ScanFrame.SetVisible(false);
  return remembering;
}

void txtNotesDatabaseFile_Change(MainWindowControls& window) {
  const bool chosen = !window.txtNotesDatabaseFile.Caption().empty();
  window.CmdScan.SetEnabled(chosen);
  window.NotesToolBar.SetButtonEnabled(kScanButton, chosen);
}

}  // namespace mailshift
