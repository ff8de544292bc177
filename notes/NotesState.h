// The shared Notes state: the objects the commands hold between their steps.
#pragma once

#include <memory>

#include "notes/NotesObjects.h"

namespace mailshift::notes {

struct NotesState {
  std::shared_ptr<Session> SessionObj;
  std::shared_ptr<Database> DatabaseObj;
  std::shared_ptr<View> ViewObj;
  std::shared_ptr<Document> DocumentObj;

  // Releases the database, view and document, keeping the session.
  void ReleaseDatabaseObjects() {
    DocumentObj.reset();
    ViewObj.reset();
    DatabaseObj.reset();
  }
};

}  // namespace mailshift::notes
