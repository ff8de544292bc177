#include "notes/Preview.h"

#include <algorithm>
#include <exception>

#include "common/TextRules.h"
#include "notes/FolderTree.h"
#include "notes/SessionOrigin.h"

namespace mailshift::notes {
namespace {

// The text of the item's first value; a missing item gives "".
std::string FirstValueText(Document& document, std::string_view itemName) {
  const ItemValues values = document.GetItemValue(itemName);
  return values.empty() ? std::string() : ItemValueText(values.front());
}

// Tabs separate the cells of a row and line breaks would split it, so inside a cell they become
// blanks.
std::string CellText(std::string text) {
  std::replace_if(
      text.begin(), text.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
  return text;
}

std::int64_t FloorDivide(std::int64_t numerator, std::int64_t denominator) {
  std::int64_t quotient = numerator / denominator;
  if (numerator % denominator != 0 && numerator < 0) --quotient;
  return quotient;
}

}  // namespace

std::string PreviewViewName(std::string_view tag) {
  for (const StandardFolder& folder : kStandardFolders) {
    if (tag == folder.key) return "($" + std::string(tag) + ")";
  }
  return std::string(tag);
}

PreviewItems PreviewItemsFor(std::string_view viewName) {
  if (viewName == "($Inbox)") return {"From", "PostedDate"};
  if (viewName == "($Drafts)") return {"SendTo", "$Revisions"};
  if (viewName == "($JunkMail)") return {"From", "DeliveredDate"};
  return {"SendTo", "PostedDate"};
}

std::string KilobyteText(std::int64_t bytes) {
  constexpr std::int64_t kKilobyte = 1024;
  std::int64_t kilobytes = FloorDivide(bytes, kKilobyte);
  const std::int64_t rest = bytes - kilobytes * kKilobyte;  // 0 .. 1023
  if (rest > kKilobyte / 2 || (rest == kKilobyte / 2 && kilobytes % 2 != 0)) ++kilobytes;
  return std::to_string(kilobytes) + " KB";
}

std::string PreviewRow(Document& document, const PreviewItems& items) {
  std::string row = CellText(Trim(FirstValueText(document, items.fromTo)));
  row += '\t';
  row += CellText(Trim(FirstValueText(document, "Subject")));
  row += '\t';
  row += KilobyteText(document.Size());
  row += '\t';
  row += CellText(FirstValueText(document, items.date));
  return row;
}

PreviewOutcome ContactsTreeView_Click(MainWindowControls& window, NotesState& notes) {
  const std::optional<int> selected = window.ContactsTreeView.SelectedNode();
  if (!selected) return {};
  const std::string tag = window.ContactsTreeView.NodeTag(*selected);
  window.MailList.Clear();
  return EnumerateEmails(PreviewViewName(tag), window, notes);
}

PreviewOutcome EnumerateEmails(const std::string& folderName, MainWindowControls& window, NotesState& notes) {
  PreviewOutcome outcome;
  try {
    window.ImgEmailsArrow.SetVisible(true);
    window.Wait.Pause(10);
    window.MailList.Clear();
    window.MailList.UseSmallIcons();

    notes.DocumentObj.reset();
    notes.ViewObj.reset();
    notes.DatabaseObj.reset();
    if (!notes.SessionObj) throw NotesError("no Notes session");
    notes.DatabaseObj = notes.SessionObj->GetDatabase("", window.txtNotesDatabaseFile.Caption());
    if (!notes.DatabaseObj) throw NotesError("the database could not be opened");
    notes.ViewObj = notes.DatabaseObj->GetView(folderName);
    if (!notes.ViewObj) throw NotesError("no view named " + folderName);

    notes.DocumentObj = notes.ViewObj->GetFirstDocument();
    if (notes.DocumentObj) {
      const PreviewItems items = PreviewItemsFor(folderName);
      // The count is read again for every row, as the view may change while it is listed.
      for (std::int64_t row = 0; row < notes.ViewObj->AllEntriesCount(); ++row) {
        if (!notes.DocumentObj) throw NotesError("the view holds fewer documents than its count");
        window.MailList.AddItem(PreviewRow(*notes.DocumentObj, items));
        ++outcome.rows;
        window.MailList.SetReportIcon(static_cast<int>(row), 0, kMessageIcon);
        notes.DocumentObj = notes.ViewObj->GetNextDocument(notes.DocumentObj);
      }
    }
  } catch (const std::exception& failure) {
    outcome.failure = failure.what();
  }
  window.Wait.DoEvents();
  return outcome;
}

}  // namespace mailshift::notes
