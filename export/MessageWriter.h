// CreateEmailItem: one message's fields become one .eml file under the output root.
#pragma once

#include <string>

#include "export/EmailComposition.h"

namespace mailshift::mail {

struct WriteOutcome {
  bool written = false;
  std::string path;    // the file written, or the one that was attempted
  std::string reason;  // why nothing was written
};

class MessageWriter {
 public:
  // destinationRoot: the root of the output tree, ending in the path separator.
  MessageWriter(EmailComponent& component, const std::string& destinationRoot);

  // The nine fields in order. subject comes back cleaned for a file name; attachments, when not
  // empty, comes back without its first character. Extracted attachment files are deleted.
  WriteOutcome CreateEmailItem(const std::string& folder, const std::string& from, std::string& subject,
                               const std::string& to, const std::string& cc, const std::string& bcc,
                               const std::string& date, const std::string& body, std::string& attachments);

 private:
  EmailComponent& component_;
  std::string destinationRoot_;
};

}  // namespace mailshift::mail
