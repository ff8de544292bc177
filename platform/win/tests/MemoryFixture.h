// The test server's fixture as an in-memory Notes database, to compare the COM binding with the
// in-memory client on the same mail.
#pragma once

#include <string>

#include "notes/testing/MemoryNotes.h"

namespace mailshift::platform::win::testing {

// Adds the database of the fixture file under `databasePath`.
void AddFixtureDatabase(notes::testing::MemoryNotesClient& client, const std::string& fixturePath,
                        const std::string& databasePath);

}  // namespace mailshift::platform::win::testing
