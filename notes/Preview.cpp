#include "notes/Preview.h"

#include <exception>

#include "notes/MailPreview.h"

namespace mailshift::notes {

PreviewOutcome ContactsTreeView_Click(MainWindowControls& window, NotesState& notes) {
  const std::optional<int> selected = window.ContactsTreeView.SelectedNode();
  if (!selected) return {};
  const std::string tag = window.ContactsTreeView.NodeTag(*selected);
  window.MailList.Clear();
  return EnumerateEmails(tag, window, notes);
}

PreviewOutcome EnumerateEmails(const std::string& folderName, MainWindowControls& window, NotesState& notes) {
  PreviewOutcome outcome;
  try {
    window.ImgEmailsArrow.SetVisible(true);
    window.Wait.Pause(10);
    window.MailList.Clear();
    window.MailList.UseSmallIcons();
    notes.ReleaseDatabaseObjects();
    if (!notes.SessionObj) throw NotesError("no Notes session");
    outcome.failure = ListPreviewRows(
        *notes.SessionObj, window.txtNotesDatabaseFile.Caption(), folderName, [&](const PreviewRow& row) {
          window.MailList.AddItem(PreviewRowText(row));
          ++outcome.rows;
          window.MailList.SetReportIcon(static_cast<int>(outcome.rows - 1), 0, kMessageIcon);
        });
  } catch (const std::exception& failure) {
    outcome.failure = failure.what();
  }
  window.Wait.DoEvents();
  return outcome;
}

}  // namespace mailshift::notes
