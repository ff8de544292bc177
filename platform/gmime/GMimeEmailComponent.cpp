#include "platform/gmime/GMimeEmailComponent.h"

#include <filesystem>
#include <utility>

#include "common/DateText.h"
#include "platform/gmime/AttachmentSpool.h"
#include "platform/gmime/InternetMessage.h"
#include "platform/gmime/RecipientText.h"

namespace mailshift::platform {
namespace {

class GMimeEmailMessage final : public mail::EmailMessage {
 public:
  explicit GMimeEmailMessage(std::shared_ptr<SpoolFolder> spoolFolder) : spool_(std::move(spoolFolder)) {
    content_.date = Now();  // the date of a message whose date is never set
  }

  bool AddRecipient(mail::RecipientKind kind, const std::string& displayName,
                    const std::string& address) override {
    std::vector<Recipient> recipients = ParseRecipientText(address);
    // A separate display name counts for an address that comes alone and without one.
    if (recipients.size() == 1 && !recipients.front().IsNotesName() &&
        recipients.front().displayName.empty() && displayName != address) {
      recipients.front().displayName = displayName;
    }
    std::vector<Recipient>& list = kind == mail::RecipientKind::To   ? content_.to
                                   : kind == mail::RecipientKind::Cc ? content_.cc
                                                                     : content_.bcc;
    list.insert(list.end(), recipients.begin(), recipients.end());
    return true;
  }

  void SetSubject(const std::string& subject) override { content_.subject = subject; }
  void SetBodyText(const std::string& body) override { content_.body = body; }
  void SetSender(const std::string& sender) override { content_.from = ParseRecipientText(sender); }

  void SetDate(const DateTime& date) override {
    CheckMessageDate(date);
    content_.date = date;
  }

  std::string AddAttachment(const std::string& filePath) override {
    std::string spooled = spool_.Take(filePath);
    std::string name = std::filesystem::path(filePath).filename().string();
    content_.attachments.push_back({name, std::move(spooled)});
    return name;
  }

  const MessageContent& content() const { return content_; }

 private:
  MessageContent content_;
  AttachmentSpool spool_;
};

class GMimeMessageRenderer final : public mail::MessageRenderer {
 public:
  void Render(mail::EmailMessage& message, std::FILE* target) override {
    const auto* ours = dynamic_cast<const GMimeEmailMessage*>(&message);
    if (ours == nullptr) throw mail::EmailError("the message was not made by the GMime component");
    WriteInternetMessage(ours->content(), target);
  }
};

class GMimeEmailComponent final : public mail::EmailComponent {
 public:
  explicit GMimeEmailComponent(const GMimeComponentOptions& options)
      : spoolFolder_(std::make_shared<SpoolFolder>(options.spoolParentFolder)) {
    EnsureGMimeInitialised();
  }

  std::unique_ptr<mail::EmailMessage> CreateMessage() override {
    return std::make_unique<GMimeEmailMessage>(spoolFolder_);
  }

  std::unique_ptr<mail::MessageRenderer> CreateRenderer() override {
    return std::make_unique<GMimeMessageRenderer>();
  }

 private:
  // Shared by the messages, which may outlive the component.
  std::shared_ptr<SpoolFolder> spoolFolder_;
};

}  // namespace

std::unique_ptr<mail::EmailComponent> CreateGMimeEmailComponent(const GMimeComponentOptions& options) {
  return std::make_unique<GMimeEmailComponent>(options);
}

}  // namespace mailshift::platform
