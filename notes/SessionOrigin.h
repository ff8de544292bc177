// Obtaining a Notes session: "Domino.NotesSession" first, then "Notes.NotesSession".
#pragma once

#include <memory>
#include <string>

#include "notes/NotesObjects.h"

namespace mailshift::notes {

enum class SessionOrigin { None, Domino, Notes };

struct ObtainedSession {
  std::shared_ptr<Session> session;  // null when neither class gave an object
  SessionOrigin origin = SessionOrigin::None;
  std::string failure;  // why the second class failed, when it did
};

// Tries the first class with its failures ignored, then the second one.
ObtainedSession ObtainSession(SessionFactory& factory);

// Text of an item value as the program shows it: text as is, numbers in decimal, date-times as
// the system's date text.
std::string ItemValueText(const ItemValue& value);

}  // namespace mailshift::notes
