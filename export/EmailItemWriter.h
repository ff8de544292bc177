// The export run's way to CreateEmailItem: the output root and the nine fields of one message
// become one .eml file. ComponentItemWriter is the real one; tests put their own in its place.
#pragma once

#include <string>
#include <vector>

#include "export/MessageWriter.h"

namespace mailshift::mail {

class EmailItemWriter {
 public:
  virtual ~EmailItemWriter() = default;
  // The arguments as MessageWriter::CreateEmailItem takes them, with the output root first.
  virtual WriteOutcome CreateEmailItem(const std::string& destinationRoot, const std::string& folder,
                                       const std::string& from, std::string& subject, const std::string& to,
                                       const std::string& cc, const std::string& bcc, const std::string& date,
                                       const std::string& body, std::string& attachments,
                                       const std::vector<std::string>& attachmentFiles) = 0;
};

}  // namespace mailshift::mail
