// CreateEmailItem: one message's fields become one .eml file under the output root.
#pragma once

#include <cstdint>
#include <string>

#include "export/EmailComposition.h"
#include "export/EmailItem.h"
#include "export/MessageFile.h"

namespace mailshift::mail {

class MessageWriter {
 public:
  using NumberSource = MessageFileWriter::NumberSource;
  using PassingFiles = MessageFileWriter::PassingFiles;
  // RandomInRange(1, 40000).
  static std::int32_t DrawFileNumber();

  // destinationRoot: the root of the output tree, ending in the path separator.
  MessageWriter(EmailComponent& component, std::string destinationRoot,
                NumberSource drawNumber = DrawFileNumber,
                PassingFiles passingFiles = PassingFiles::UnnamedWherePossible);

  // Composes the message from the fields (ComposeMessage), draws its number N and writes it into
  // the folder under the output root as the cleaned subject, N and ".eml" (MessageFileWriter).
  // The outcome gives back what the export keeps of the fields: the cleaned subject, and the
  // attachment list without its first character.
  WriteOutcome CreateEmailItem(const std::string& folder, const EmailItem& fields);

 private:
  EmailComponent& component_;
  std::string destinationRoot_;
  MessageFileWriter files_;
};

}  // namespace mailshift::mail
