// What a user sees of a scan and of the preview of every folder, written down as text, so that
// two Notes clients (the built-in stand-in, the COM binding) can be compared on the same
// database.
#pragma once

#include <string>

#include "notes/NotesObjects.h"

namespace mailshift::notes::testing {

struct TranscriptOptions {
  // Writes the "Date" cells as the instant they stand for ("@1225895400"), so that runs on
  // systems with different regional date forms compare equal.
  bool datesAsInstants = false;
};

// Runs "Start Scan" on the database at `path` with sessions from `factory`, then clicks every
// node of the tree in turn. The transcript holds how the scan ended, its messages, the title,
// the six counts, every tree node with its key, text, parent, image, emphasis, tag and check
// state, and each node's message list with its icons; then, view by view, the universal ids of
// the documents.
std::string ScanTranscript(SessionFactory& factory, const std::string& path,
                           const TranscriptOptions& options = {});

}  // namespace mailshift::notes::testing
