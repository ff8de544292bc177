#include "notes/MailPreview.h"

#include <algorithm>
#include <exception>

#include "common/DateText.h"
#include "common/TextRules.h"
#include "notes/FolderCatalogue.h"
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

PreviewRow ReadRow(Document& document, const PreviewItems& items) {
  PreviewRow row;
  row.fromTo = CellText(Trim(FirstValueText(document, items.fromTo)));
  row.subject = CellText(Trim(FirstValueText(document, "Subject")));
  row.size = KilobyteText(document.Size());
  row.date = CellText(FirstValueText(document, items.date));
  // A document without the folder's date item shows the date its message is exported with.
  if (row.date.empty()) {
    if (const auto date = MessageDate(document, items.date, false)) row.date = DateText(*date);
  }
  return row;
}

}  // namespace

std::vector<std::string_view> MessageDateItems(std::string_view previewDateItem) {
  std::vector<std::string_view> items{"PostedDate"};
  for (std::string_view item : {previewDateItem, std::string_view("DeliveredDate")}) {
    if (std::find(items.begin(), items.end(), item) == items.end()) items.push_back(item);
  }
  return items;
}

std::optional<DateTime> MessageDate(Document& document, std::string_view previewDateItem, bool orCreated) {
  for (std::string_view item : MessageDateItems(previewDateItem)) {
    try {
      if (!document.hasitem(item)) continue;
      const ItemValues values = document.GetItemValue(item);
      if (!values.empty()) {
        if (const auto* date = std::get_if<DateTime>(&values.front())) return *date;
      }
    } catch (const std::exception&) {
      // the next item may still date it
    }
  }
  if (!orCreated) return std::nullopt;
  try {
    return document.Created();
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

PreviewItems PreviewItemsFor(std::string_view viewName) {
  if (const StandardFolder* folder = StandardFolderByView(viewName)) {
    return {folder->previewFromTo, folder->previewDate};
  }
  return {"SendTo", "PostedDate"};
}

std::string KilobyteText(std::int64_t bytes) {
  constexpr std::int64_t kKilobyte = 1024;
  std::int64_t kilobytes = FloorDivide(bytes, kKilobyte);
  const std::int64_t rest = bytes - kilobytes * kKilobyte;  // 0 .. 1023
  if (rest > kKilobyte / 2 || (rest == kKilobyte / 2 && kilobytes % 2 != 0)) ++kilobytes;
  return std::to_string(kilobytes) + " KB";
}

std::string PreviewRowText(const PreviewRow& row) {
  return row.fromTo + '\t' + row.subject + '\t' + row.size + '\t' + row.date;
}

std::string ListPreviewRows(Session& session, const std::string& databasePath, const std::string& tag,
                            const std::function<void(const PreviewRow&)>& onRow) {
  try {
    const std::string viewName = ViewNameOf(tag);
    const auto database = session.GetDatabase("", databasePath);
    if (!database) throw NotesError("the database could not be opened");
    const auto view = database->GetView(viewName);
    if (!view) throw NotesError("no view named " + viewName);

    auto document = view->GetFirstDocument();
    if (!document) return {};
    const PreviewItems items = PreviewItemsFor(viewName);
    // The count is read again for every row, as the view may change while it is listed.
    for (std::int64_t row = 0; row < view->AllEntriesCount(); ++row) {
      if (!document) throw NotesError("the view holds fewer documents than its count");
      onRow(ReadRow(*document, items));
      document = view->GetNextDocument(document);
    }
  } catch (const std::exception& failure) {
    return failure.what();
  }
  return {};
}

PreviewResult Preview(Session& session, const std::string& databasePath, const std::string& tag) {
  PreviewResult result;
  result.failure = ListPreviewRows(session, databasePath, tag,
                                   [&result](const PreviewRow& row) { result.rows.push_back(row); });
  return result;
}

}  // namespace mailshift::notes
