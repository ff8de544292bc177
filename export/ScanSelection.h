// The folder selection that a fresh scan of a database leaves checked, for runs without the
// folder tree (the command-line export, benchmarks).
#pragma once

#include <string>
#include <vector>

#include "notes/NotesObjects.h"

namespace mailshift::mail {

// Every folder tag of the tree a scan builds: "Inbox", "Drafts", "Sent", "Follow-Up",
// "JunkMail", "Trash", "Folders", then each user folder's trimmed name once, in ordinal order.
// A view whose name or kind cannot be read is left out, as the scan leaves it out. Throws
// notes::NotesError when the database's views cannot be read.
std::vector<std::string> ScanSelection(notes::Database& database);

}  // namespace mailshift::mail
