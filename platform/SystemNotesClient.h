// The Notes client of this system: the installed Notes client over COM on Windows, the built-in
// stand-in elsewhere. The executables create one on the user-interface thread and keep it until
// every Notes object has been released.
#pragma once

#include <memory>

#include "notes/NotesObjects.h"

namespace mailshift::platform {

class SystemNotesClient {
 public:
  SystemNotesClient();
  ~SystemNotesClient();
  SystemNotesClient(const SystemNotesClient&) = delete;
  SystemNotesClient& operator=(const SystemNotesClient&) = delete;

  notes::SessionFactory& sessions();

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

}  // namespace mailshift::platform
