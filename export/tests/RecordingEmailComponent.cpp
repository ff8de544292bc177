#include "export/tests/RecordingEmailComponent.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace mailshift::mail::testing {
namespace {

class RecordingMessage : public EmailMessage {
 public:
  explicit RecordingMessage(std::shared_ptr<RecordedMessage> record) : record_(std::move(record)) {}

  bool AddRecipient(RecipientKind kind, const std::string& displayName, const std::string& address) override {
    const char* label = kind == RecipientKind::To ? "To " : kind == RecipientKind::Cc ? "Cc " : "Bcc ";
    record_->calls.push_back(label + address + (displayName == address ? "" : " named " + displayName));
    return true;
  }
  void SetSubject(const std::string& subject) override { record_->calls.push_back("Subject " + subject); }
  void SetBodyText(const std::string& body) override { record_->calls.push_back("Body " + body); }
  void SetBodyParts(const BodyPart& body) override {
    record_->calls.push_back("Body parts " + body.mediaType);
  }
  void SetSender(const std::string& sender) override { record_->calls.push_back("From " + sender); }
  void SetDate(const DateTime& date) override {
    record_->calls.push_back("Date");
    record_->date = date;
  }
  void SetUniversalId(const std::string& universalId) override {
    record_->calls.push_back("UNID " + universalId);
  }
  void SetHeaders(const MessageHeaders& headers) override {
    std::string keywords;
    for (const auto& keyword : headers.keywords) keywords += "," + keyword;
    record_->calls.push_back("Headers " + headers.messageId + " | " + headers.inReplyTo + " | " +
                             headers.references + " | " +
                             std::to_string(static_cast<int>(headers.importance)) + " |" + keywords);
  }
  std::string AddAttachment(const std::string& filePath) override {
    record_->calls.push_back("Attach " + filePath);
    record_->earlierFilesPresent.push_back(
        std::any_of(record_->attachmentPaths.begin(), record_->attachmentPaths.end(),
                    [](const std::string& path) { return std::filesystem::exists(path); }));
    std::ifstream file(filePath, std::ios::binary);
    if (!file) throw EmailError("cannot open " + filePath);
    std::ostringstream content;
    content << file.rdbuf();
    record_->attachmentPaths.push_back(filePath);
    record_->attachmentContents.push_back(content.str());
    return filePath;
  }

 private:
  std::shared_ptr<RecordedMessage> record_;
};

class RecordingRenderer : public MessageRenderer {
 public:
  explicit RecordingRenderer(const RecordingEmailComponent& component) : component_(component) {}
  void Render(EmailMessage&, std::FILE* target) override {
    if (component_.failRendering) {
      std::fputs("Subject: half", target);
      throw EmailError("rendering failed");
    }
    const std::string& text = component_.renderedText;
    std::fwrite(text.data(), 1, text.size() / 2, target);
    std::fflush(target);
    if (component_.duringRender) component_.duringRender();
    std::fwrite(text.data() + text.size() / 2, 1, text.size() - text.size() / 2, target);
  }

 private:
  const RecordingEmailComponent& component_;
};

}  // namespace

std::unique_ptr<EmailMessage> RecordingEmailComponent::CreateMessage() {
  if (failCreation) throw EmailError("no message object");
  messages.push_back(std::make_shared<RecordedMessage>());
  return std::make_unique<RecordingMessage>(messages.back());
}

std::unique_ptr<MessageRenderer> RecordingEmailComponent::CreateRenderer() {
  return std::make_unique<RecordingRenderer>(*this);
}

}  // namespace mailshift::mail::testing
