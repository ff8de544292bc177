// The first half of CreateEmailItem: a message of the e-mail composition component filled from
// one message's fields, ready to be rendered into its file.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/DateTime.h"
#include "export/EmailComposition.h"
#include "export/EmailItem.h"

namespace mailshift::mail {

struct ComposedMessage {
  std::unique_ptr<MessageRenderer> renderer;  // null when the component gave none
  std::unique_ptr<EmailMessage> message;      // null when the component gave none
  // The message's date: the date text read back; none when the text is empty or could not be
  // read (the message then keeps the component's own date).
  std::optional<DateTime> date;
};

// Fills a new message of the component from the fields, in the order the component is called:
// To, subject (as received), body, sender, Cc, Bcc, date, the document's id, its own header
// fields, then each file of
// origin.attachmentFiles, each deleted once it has been added, whether or not that worked. Every
// step runs even when an earlier one failed; the failures are added to problems.
// Steps that fall back to a final substitute (no date the message can carry, a Message-ID or
// message id list that is none) go to fallbacks when given, else to problems too.
ComposedMessage ComposeMessage(EmailComponent& component, const EmailItem& fields,
                               std::vector<std::string>& problems, std::vector<std::string>* fallbacks = nullptr);

// The attachment list as the writer leaves it: without its first character when not empty.
std::string AttachmentListAfterWriting(const std::string& attachments);

}  // namespace mailshift::mail
