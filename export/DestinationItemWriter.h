// The EmailItemWriter for the destinations other than the .eml tree: each message is composed as
// the .eml tree's would be, kept whole in memory and handed to the destination with its date and
// marks.
#pragma once

#include <string>
#include <string_view>

#include "export/EmailComposition.h"
#include "export/EmailItemWriter.h"
#include "export/MessageDestination.h"

namespace mailshift::mail {

class DestinationItemWriter : public EmailItemWriter {
 public:
  DestinationItemWriter(EmailComponent& component, MessageDestination& destination)
      : component_(component), destination_(destination) {}

  WriteOutcome CreateEmailItem(const std::string& destinationRoot, const std::string& folder,
                               const EmailItem& fields) override;

 private:
  EmailComponent& component_;
  MessageDestination& destination_;
};

// The value of the message's Message-ID header field, as the header holds it; "" for none.
std::string MessageIdOf(std::string_view message);

}  // namespace mailshift::mail
