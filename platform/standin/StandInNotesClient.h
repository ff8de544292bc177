// The built-in stand-in for the Notes client: answers to "Domino.NotesSession" and reads mail
// databases stored as one SQLite file each (see docs/store-format.md). Files are only read:
// nothing is ever written to them, and no lock or journal is created beside them.
#pragma once

#include <memory>
#include <string_view>

#include "notes/NotesObjects.h"

namespace mailshift::standin {

class StandInNotesClient : public notes::SessionFactory {
 public:
  // A session for "Domino.NotesSession"; any other class name throws NotesError.
  std::shared_ptr<notes::Session> CreateObject(std::string_view className) override;
};

}  // namespace mailshift::standin
