// CreateEmailItem: one message's fields become one .eml file under the output root.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "export/EmailComposition.h"

namespace mailshift::mail {

struct WriteOutcome {
  bool written = false;
  std::string path;                   // the file written, or the last one attempted
  std::string reason;                 // why nothing was written; empty when written
  std::vector<std::string> problems;  // steps that failed without stopping the message
};

class MessageWriter {
 public:
  // Draws the number N of a message file name.
  using NumberSource = std::function<std::int32_t()>;
  // RandomInRange(1, 40000).
  static std::int32_t DrawFileNumber();

  // destinationRoot: the root of the output tree, ending in the path separator.
  MessageWriter(EmailComponent& component, std::string destinationRoot,
                NumberSource drawNumber = DrawFileNumber);

  // The nine fields in order. subject comes back cleaned for a file name; attachments, when not
  // empty, comes back without its first character. Each extracted attachment file is deleted
  // once it has been added. The message is written to a file of its own, never over another;
  // when no file could be written, the outcome says why.
  WriteOutcome CreateEmailItem(const std::string& folder, const std::string& from, std::string& subject,
                               const std::string& to, const std::string& cc, const std::string& bcc,
                               const std::string& date, const std::string& body, std::string& attachments);

 private:
  // Creates a new file for the message in folderPath (exclusively: an existing name is never
  // opened), moving to another name on a clash or a name the file system refuses. Null when
  // none could be created; outcome.reason then says why.
  std::FILE* CreateMessageFile(const std::string& folderPath, const std::string& subject, std::int32_t number,
                               WriteOutcome& outcome);

  EmailComponent& component_;
  std::string destinationRoot_;
  NumberSource drawNumber_;
  // The next "-k" suffix to try for a name whose numbers kept clashing.
  std::unordered_map<std::string, std::uint32_t> nextSuffix_;
};

}  // namespace mailshift::mail
