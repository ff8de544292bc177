// The Notes client installed on this machine, reached through its COM automation classes
// ("Domino.NotesSession", "Notes.NotesSession") and called late-bound by member name.
//
// COM must have been started on the calling thread (ComApartment), and every object this client
// hands out must be used on that thread and released before COM stops.
#pragma once

#include <memory>
#include <string_view>

#include "notes/NotesObjects.h"

namespace mailshift::platform::win {

class ComNotesClient : public notes::SessionFactory {
 public:
  // Creates the session object of the class registered under that name. A "Domino.NotesSession"
  // object is initialised for the current Notes user (Initialize, without a password) before it
  // is handed out; its failure fails the creation.
  std::shared_ptr<notes::Session> CreateObject(std::string_view className) override;
};

}  // namespace mailshift::platform::win
