// Messages into mbox files as Thunderbird keeps them: one file per folder under the destination,
// a folder's subfolders in "NAME.sbd", messages separated by "From " lines, "From " lines of the
// text quoted reversibly (mboxrd), read marks in "Status", "X-Status" and "X-Mozilla-Status".
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "export/MessageDestination.h"

namespace mailshift::mail {

class MboxDestination : public MessageDestination {
 public:
  // root: the folder the mbox files go into, ending in the path separator.
  explicit MboxDestination(std::string root) : root_(std::move(root)) {}

  std::string Name() const override { return "mbox:" + root_; }
  std::string Open() override;
  std::string EnterFolder(const DeliveryFolder& folder) override;
  std::string Holds(const std::string& record, std::int64_t bytes) override;
  Delivery Deliver(const OutgoingMessage& message) override;

 private:
  std::string root_;
  std::string file_;  // the current folder's mbox file
  std::int64_t size_ = 0;
  // Messages of ours the file holds, by document id: their offsets, for the ones an earlier run
  // wrote without recording them.
  std::map<std::string, std::vector<std::int64_t>> found_;
};

// The message as mboxrd text: the "From " line, the status fields, the header and body with LF
// line ends and each line of ">"s followed by "From " given one more ">", and an empty line.
std::string MboxEntry(const OutgoingMessage& message);

}  // namespace mailshift::mail
