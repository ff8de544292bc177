#include "platform/mime/MailComposer.h"

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <optional>
#include <random>
#include <utility>

#include "common/DateText.h"
#include "platform/mime/AttachmentSpool.h"
#include "platform/mime/DateField.h"
#include "platform/mime/HeaderFields.h"
#include "platform/mime/InternetMessage.h"
#include "platform/mime/MessageContent.h"
#include "platform/mime/RecipientText.h"
#include "platform/mime/Utf8Path.h"

namespace mailshift::platform {
namespace {

// Random Message-IDs and boundaries: 128 bits each, from a generator seeded by the system.
class RandomIdentities {
 public:
  RandomIdentities() {
    std::random_device device;
    std::seed_seq seed{device(), device(), device(), device(), device(), device(), device(), device()};
    generator_.seed(seed);
  }

  std::string MessageId() { return "<" + Hex128() + "@mailshift.invalid>"; }
  std::string Boundary() { return "=_" + Hex128(); }

 private:
  std::string Hex128() {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::lock_guard lock(mutex_);
    std::string text;
    for (int half = 0; half < 2; ++half) {
      std::uint64_t value = generator_();
      for (int i = 0; i < 16; ++i, value >>= 4) text += kDigits[value & 0x0F];
    }
    return text;
  }

  std::mutex mutex_;
  std::mt19937_64 generator_;
};

// What messages and renderers of one composer share; it may outlive the composer.
struct ComposerShared {
  explicit ComposerShared(MailComposerOptions options)
      : settings(std::move(options)),
        spoolFolder(std::make_shared<SpoolFolder>(settings.spoolParentFolder)) {}

  MessageIdentity NextIdentity(const MessageContent& content) {
    const bool multipart =
        !content.attachments.empty() || (content.bodyParts && !content.bodyParts->parts.empty());
    MessageIdentity identity;
    if (!content.messageId.empty()) {
      identity.messageId = content.messageId;
    } else if (!content.universalId.empty()) {
      identity.messageId = "<" + content.universalId + "@notes.mailshift.invalid>";
    } else {
      identity.messageId = settings.newMessageId ? settings.newMessageId() : random.MessageId();
    }
    if (multipart) identity.boundary = settings.newBoundary ? settings.newBoundary() : random.Boundary();
    return identity;
  }

  MailComposerOptions settings;
  std::shared_ptr<SpoolFolder> spoolFolder;
  RandomIdentities random;
};

// A person as the header shows them. An address that is no Internet address is kept, with the
// name, as the name of a person without one, so that nothing of it is lost.
std::optional<Recipient> RecipientOf(const mail::Person& person) {
  if (person.address.empty()) {
    if (person.displayName.empty()) return std::nullopt;
    return Recipient{person.displayName, ""};
  }
  if (IsAddrSpec(person.address)) return Recipient{person.displayName, person.address};
  return Recipient{mail::PersonText(person), ""};
}

class ComposedMessage final : public mail::EmailMessage {
 public:
  explicit ComposedMessage(const std::shared_ptr<ComposerShared>& shared) : spool_(shared->spoolFolder) {
    // The date of a message whose date is never set.
    content_.date = shared->settings.clock ? shared->settings.clock() : Now();
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

  bool AddPeople(mail::RecipientKind kind, const mail::People& people) override {
    std::vector<Recipient>& list = kind == mail::RecipientKind::To   ? content_.to
                                   : kind == mail::RecipientKind::Cc ? content_.cc
                                                                     : content_.bcc;
    for (const mail::Person& person : people) {
      if (auto recipient = RecipientOf(person)) list.push_back(std::move(*recipient));
    }
    return true;
  }

  void SetSenderPerson(const mail::Person& sender) override {
    content_.from.clear();
    if (auto recipient = RecipientOf(sender)) content_.from.push_back(std::move(*recipient));
  }

  void SetSubject(const std::string& subject) override { content_.subject = subject; }
  void SetBodyText(const std::string& body) override { content_.body = body; }
  void SetBodyParts(const mail::BodyPart& body) override { content_.bodyParts = Spooled(body); }
  void SetSender(const std::string& sender) override { content_.from = ParseRecipientText(sender); }

  void SetDate(const DateTime& date) override {
    CheckMessageDate(date);
    content_.date = date;
  }

  void SetUniversalId(const std::string& universalId) override {
    const bool hex =
        universalId.size() == 32 && std::all_of(universalId.begin(), universalId.end(), [](char c) {
          return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
        });
    if (!hex) throw mail::EmailError("\"" + universalId + "\" is no universal id");
    content_.universalId = universalId;
  }

  void SetHeaders(const mail::MessageHeaders& headers) override {
    std::vector<std::string> refused;
    const std::vector<std::string> own = MessageIds(headers.messageId);
    content_.messageId = own.size() == 1 ? own.front() : std::string();
    if (!headers.messageId.empty() && own.size() != 1)
      refused.push_back("the Message-ID \"" + headers.messageId + "\"");
    content_.inReplyTo = MessageIds(headers.inReplyTo);
    if (!headers.inReplyTo.empty() && content_.inReplyTo.empty())
      refused.push_back("the In-Reply-To \"" + headers.inReplyTo + "\"");
    content_.references = MessageIds(headers.references);
    if (!headers.references.empty() && content_.references.empty())
      refused.push_back("the References \"" + headers.references + "\"");
    content_.importance = headers.importance;
    content_.keywords = headers.keywords;
    content_.otherFields = headers.otherFields;
    if (!refused.empty()) {
      std::string text = "no message id in ";
      for (std::size_t i = 0; i < refused.size(); ++i) text += (i == 0 ? "" : ", ") + refused[i];
      throw mail::EmailError(text);
    }
  }

  std::string AddAttachment(const std::string& filePath) override {
    return AddAttachmentOfType(filePath, {});
  }

  std::string AddAttachmentPart(const mail::Attachment& attachment) override {
    AttachmentSpool::Taken taken = spool_.Take(attachment.file);
    std::string name = attachment.fileName.empty() ? Utf8FromPath(PathFromUtf8(attachment.file).filename())
                                                   : attachment.fileName;
    content_.attachments.push_back(
        {name, std::move(taken.path), taken.openFile, attachment.mediaType, std::nullopt, attachment.parameters});
    return name;
  }

  std::string AddAttachmentOfType(const std::string& filePath, const std::string& mediaType) override {
    AttachmentSpool::Taken taken = spool_.Take(filePath);
    std::string name = Utf8FromPath(PathFromUtf8(filePath).filename());
    content_.attachments.push_back({name, std::move(taken.path), taken.openFile, mediaType});
    return name;
  }

  const MessageContent& content() const { return content_; }

 private:
  SpooledBodyPart Spooled(const mail::BodyPart& part) {
    SpooledBodyPart spooled{part.mediaType, part.charset, part.contentId, part.fileName, {}, {}};
    if (part.IsMultipart()) {
      for (const mail::BodyPart& inner : part.parts) spooled.parts.push_back(Spooled(inner));
      return spooled;
    }
    if (part.content) {
      spooled.content = {
          part.fileName.empty() ? part.mediaType : part.fileName, {}, -1, part.mediaType, part.content};
      return spooled;
    }
    AttachmentSpool::Taken taken = spool_.Take(part.contentFile);
    spooled.content = {part.fileName.empty() ? part.mediaType : part.fileName, std::move(taken.path),
                       taken.openFile, part.mediaType};
    return spooled;
  }

  MessageContent content_;
  AttachmentSpool spool_;
};

class ComposedMessageRenderer final : public mail::MessageRenderer {
 public:
  explicit ComposedMessageRenderer(std::shared_ptr<ComposerShared> shared) : shared_(std::move(shared)) {}

  void Render(mail::EmailMessage& message, std::FILE* target) override {
    const auto* ours = dynamic_cast<const ComposedMessage*>(&message);
    if (ours == nullptr) throw mail::EmailError("the message was not made by this composer");
    const MessageContent& content = ours->content();
    WriteInternetMessage(content, shared_->NextIdentity(content), target);
  }

 private:
  std::shared_ptr<ComposerShared> shared_;
};

class MailComposer final : public mail::EmailComponent {
 public:
  explicit MailComposer(MailComposerOptions options)
      : shared_(std::make_shared<ComposerShared>(std::move(options))) {}

  std::unique_ptr<mail::EmailMessage> CreateMessage() override {
    return std::make_unique<ComposedMessage>(shared_);
  }

  std::unique_ptr<mail::MessageRenderer> CreateRenderer() override {
    return std::make_unique<ComposedMessageRenderer>(shared_);
  }

 private:
  std::shared_ptr<ComposerShared> shared_;
};

}  // namespace

std::unique_ptr<mail::EmailComponent> CreateMailComposer(MailComposerOptions options) {
  return std::make_unique<MailComposer>(std::move(options));
}

}  // namespace mailshift::platform
