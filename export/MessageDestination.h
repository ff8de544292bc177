// Where the export's messages go: the .eml tree, an mbox or Maildir tree, an IMAP mailbox. The
// run composes each message and hands it over with its folder, date and marks; the destination
// keeps it and says how to find it again, which the run records in its manifest. The run's log,
// counts and manifest stay the run's own.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mailshift::mail {

// One exported folder as a destination files it.
struct DeliveryFolder {
  bool standard = false;     // one of the six standard folders
  std::string tag;           // its folder tag: "Inbox", ..., or the user folder's levels joined by "\"
  std::string outputFolder;  // the run's name for it ("Sent Items", "Projects-2008")
};

// What a mailbox keeps beside a message's text.
struct MessageMarks {
  bool read = true;                   // read by the mailbox's owner
  bool draft = false;                 // a draft, never sent
  std::vector<std::string> keywords;  // the document's categories
};

// One composed message on its way.
struct OutgoingMessage {
  std::string_view bytes;            // the whole message, CR LF line ends
  std::optional<std::int64_t> date;  // the message's date, seconds since the epoch (UTC)
  MessageMarks marks;
  std::string universalId;  // the Notes document's, or empty
  std::string messageId;    // the message's Message-ID ("<a@b>"), or empty
};

// What became of one message.
struct Delivery {
  bool delivered = false;
  // How to find the message again, for the manifest: a file name, "UIDVALIDITY/UID", an offset.
  std::string record;
  std::int64_t bytes = -1;  // the size kept, -1 when not known
  bool foundThere = false;  // delivered by an earlier run that could not record it: not written again
  std::string reason;       // why not delivered
  // The destination cannot take any more messages (the connection is gone and cannot be made
  // again): the run ends, and the next one resumes.
  bool destinationLost = false;
};

class MessageDestination {
 public:
  virtual ~MessageDestination() = default;
  // What the destination is, for messages and the log ("imap://mary@mail.example.com:993").
  virtual std::string Name() const = 0;
  // Connects or opens it: "" when messages can be delivered, otherwise why not.
  virtual std::string Open() = 0;
  // Makes the folder's place (a mailbox, a file, a folder) when it is missing. "" when messages can
  // be delivered into it, otherwise why not.
  virtual std::string EnterFolder(const DeliveryFolder& folder) = 0;
  // Whether the current folder still holds the message an earlier run recorded. "" when it does,
  // otherwise why it is written again.
  virtual std::string Holds(const std::string& record, std::int64_t bytes) = 0;
  virtual Delivery Deliver(const OutgoingMessage& message) = 0;
  // The destination can take no more messages (the connection is gone): the run ends, and the
  // next one resumes.
  virtual bool Lost() const { return false; }
  // Ends the connection or closes the files; lines for the log about anything that went wrong.
  virtual void Close() {}
};

}  // namespace mailshift::mail
