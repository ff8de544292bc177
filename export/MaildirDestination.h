// Messages into a Maildir++ tree as Dovecot and Courier keep it: the Inbox in the root's own
// "cur", each other folder in ".LEVEL.LEVEL" beside it (names in modified UTF-7), a message
// written into "tmp" and moved into "cur" once whole, its read and draft marks in the ":2," part of
// its name, and its file time the message's date.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <unordered_set>
#include <vector>

#include "export/MessageDestination.h"

namespace mailshift::mail {

class MaildirDestination : public MessageDestination {
 public:
  // root: the Maildir's folder, ending in the path separator.
  explicit MaildirDestination(std::string root) : root_(std::move(root)) {}

  std::string Name() const override { return "maildir:" + root_; }
  std::string Open() override;
  std::string EnterFolder(const DeliveryFolder& folder) override;
  std::string Holds(const std::string& record, std::int64_t bytes) override;
  Delivery Deliver(const OutgoingMessage& message) override;

 private:
  std::string root_;
  std::string folder_;  // the current folder's Maildir, ending in the separator
  // The unique names (before ":2,") of the messages in its "cur" and "new".
  std::unordered_set<std::string> names_;
  // Messages of ours it holds, by document id, for the ones an earlier run wrote without
  // recording them.
  std::map<std::string, std::vector<std::string>> found_;
  std::uint64_t delivered_ = 0;
};

// The ":2," part of a message's name ("!2," on Windows, whose names cannot hold ":"): "D" for a
// draft, "S" for a read message, in that order.
std::string MaildirInfo(const MessageMarks& marks);

// The Maildir++ folder of a folder's levels below the root: "" for the Inbox, else "." followed by
// the levels in modified UTF-7 joined by ".", a "." in a level made "-".
std::string MaildirFolderName(const DeliveryFolder& folder);

}  // namespace mailshift::mail
