// A refusal of the native reader: what in which file could not be read, where, and why.
#pragma once

#include "notes/NotesObjects.h"

namespace mailshift::nsf {

class NsfError : public notes::NotesError {
 public:
  using notes::NotesError::NotesError;
};

}  // namespace mailshift::nsf
