// The export run's way to CreateEmailItem: the output root and the fields of one message become
// one .eml file. ComponentItemWriter is the real one; tests put their own in its place.
#pragma once

#include <string>

#include "export/EmailItem.h"

namespace mailshift::mail {

class EmailItemWriter {
 public:
  virtual ~EmailItemWriter() = default;
  // As MessageWriter::CreateEmailItem, with the output root first.
  virtual WriteOutcome CreateEmailItem(const std::string& destinationRoot, const std::string& folder,
                                       const EmailItem& fields) = 0;
};

}  // namespace mailshift::mail
