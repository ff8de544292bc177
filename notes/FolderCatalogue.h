// The one catalogue of the mail folders: the six standard folders with everything the scan, the
// preview, the selection and the export know of each, and the rule that tells a user folder.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "notes/NotesObjects.h"

namespace mailshift::notes {

struct StandardFolder {
  std::string_view tag;            // the folder tag and the node key: "Inbox", "Follow-Up", ...
  std::string_view view;           // the hidden view that holds its documents: "($Inbox)"
  std::string_view label;          // the node text before the count: "Follow Up"
  int image;                       // the node icon in the small icon list
  std::string_view outputFolder;   // its folder in the output tree: "Sent Items", "Deleted Items"
  std::string_view exportHeader;   // the log line and export header: "Saving Emails (Inbox)..."
  std::string_view previewFromTo;  // the item that fills the "From/To" cell
  std::string_view previewDate;    // the item that fills the "Date" cell
  // The message writer gets the run's own attachment list (Sent and Drafts).
  bool writerTakesAttachmentList;
};

// In tree order: the order in which they are counted and added.
inline constexpr std::array<StandardFolder, 6> kStandardFolders{{
    {"Inbox", "($Inbox)", "Inbox", 67, "Inbox", "Saving Emails (Inbox)...", "From", "PostedDate", false},
    {"Drafts", "($Drafts)", "Drafts", 65, "Drafts", "Saving Emails (Drafts)...", "SendTo", "$Revisions",
     true},
    {"Sent", "($Sent)", "Sent", 69, "Sent Items", "Saving Emails (Sent Items)...", "SendTo", "PostedDate",
     true},
    {"Follow-Up", "($Follow-Up)", "Follow Up", 71, "Follow Up", "Saving Emails (Follow Up)...", "SendTo",
     "PostedDate", false},
    {"JunkMail", "($JunkMail)", "Junk Mail", 68, "Junk Mail", "Saving Emails (Junk Mail)...", "From",
     "DeliveredDate", false},
    {"Trash", "($Trash)", "Trash", 66, "Deleted Items", "Saving Emails (Deleted Items)...", "SendTo",
     "PostedDate", false},
}};

// The order in which an export takes the standard folders (indexes into kStandardFolders).
inline constexpr std::array<std::size_t, 6> kExportOrder{0, 2, 1, 3, 4, 5};

// The standard folder of that tag or view name; nullptr for any other.
const StandardFolder* StandardFolderByTag(std::string_view tag);
const StandardFolder* StandardFolderByView(std::string_view viewName);

// Whether a view of that name is a user's mail folder: a folder with a name that does not begin
// with "(". The view is asked whether it is a folder only when its name allows it.
bool IsUserFolderView(std::string_view name, View& view);

// The view a folder tag stands for: "($Inbox)" for "Inbox", the tag itself for a user folder.
std::string ViewNameOf(std::string_view tag);

// Sorts user-folder names by character code and keeps each once (QuickSort, RemoveDuplicates).
void SortFolderNames(std::vector<std::string>& names);

}  // namespace mailshift::notes
