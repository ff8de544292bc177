// An e-mail component that records what the writer asks of it.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "export/EmailComposition.h"

namespace mailshift::mail::testing {

struct RecordedMessage {
  std::vector<std::string> calls;  // in order, e.g. "To ann@example.com", "Subject Hello"
  std::optional<DateTime> date;
  std::vector<std::string> attachmentPaths;
  std::vector<std::string> attachmentContents;  // read when each was added
  std::vector<bool> earlierFilesPresent;        // at each add: whether an earlier file still existed
};

class RecordingEmailComponent : public EmailComponent {
 public:
  std::unique_ptr<EmailMessage> CreateMessage() override;
  std::unique_ptr<MessageRenderer> CreateRenderer() override;

  std::vector<std::shared_ptr<RecordedMessage>> messages;
  std::string renderedText = "Subject: rendered\r\n\r\nbody";
  bool failRendering = false;  // writes part of the text, then throws
  bool failCreation = false;
  // Called in the middle of rendering, after part of the text was written.
  std::function<void()> duringRender;
};

}  // namespace mailshift::mail::testing
