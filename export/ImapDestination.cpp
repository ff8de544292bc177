#include "export/ImapDestination.h"

#include <algorithm>
#include <cctype>
#include <thread>

namespace mailshift::mail {
namespace {

constexpr int kThrottledTries = 5;
constexpr std::chrono::milliseconds kLongestBackoff{5 * 60 * 1000};

bool IsQuotaAnswer(const ImapError& error) {
  if (error.code() == "OVERQUOTA") return true;
  std::string text = error.text();
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text.find("quota") != std::string::npos;
}

std::string_view SpecialAttribute(SpecialUse use) {
  switch (use) {
    case SpecialUse::Sent:
      return "\\Sent";
    case SpecialUse::Drafts:
      return "\\Drafts";
    case SpecialUse::Junk:
      return "\\Junk";
    case SpecialUse::Trash:
      return "\\Trash";
    case SpecialUse::Inbox:
    case SpecialUse::None:
      break;
  }
  return {};
}

}  // namespace

std::string ImapUrl(const ImapAccount& account) {
  return std::string(account.server.implicitTls ? "imaps://" : "imap://") + account.user + "@" +
         account.server.host + ":" + std::to_string(account.server.port);
}

ImapDestination::ImapDestination(ImapAccount account, TransportFactory& transports, Sleep sleep)
    : account_(std::move(account)), transports_(transports), sleep_(std::move(sleep)) {
  if (!sleep_) sleep_ = [](std::chrono::milliseconds wait) { std::this_thread::sleep_for(wait); };
}

std::string ImapDestination::Open() {
  try {
    client_ = std::make_unique<ImapClient>(transports_.Connect(account_.server));
    client_->Greeting();
    client_->Capability();
    if (!account_.server.implicitTls) {
      if (client_->Has("STARTTLS")) {
        client_->StartTls();
        client_->Capability();
      } else if (!account_.allowPlaintext) {
        return "the server offers no STARTTLS, and the password would travel unprotected (give "
               "--allow-plaintext to allow it, or use imaps://)";
      }
    }
    try {
      if (!account_.oauth2Token.empty()) {
        client_->XOAuth2(account_.user, account_.oauth2Token);
      } else {
        client_->Login(account_.user, account_.password);
      }
    } catch (const ImapError& error) {
      return "the server refused the login of " + account_.user + ": " + error.what();
    }
    client_->Capability();
    appendLimit_ = client_->CapabilityNumber("APPENDLIMIT");
    mailboxes_ = client_->List();
    for (const auto& mailbox : mailboxes_) {
      if (mailbox.separator) separator_ = mailbox.separator;
    }
  } catch (const TransportError& error) {
    return error.what();
  } catch (const ImapError& error) {
    return error.what();
  }
  return {};
}

std::string ImapDestination::MailboxFor(const DeliveryFolder& folder, std::optional<char> separator,
                                        const std::vector<ImapMailbox>& mailboxes) {
  const SpecialUse use = SpecialUseOf(folder);
  if (use == SpecialUse::Inbox) return "INBOX";
  if (const std::string_view attribute = SpecialAttribute(use); !attribute.empty()) {
    for (const auto& mailbox : mailboxes) {
      if (mailbox.Has(attribute)) return mailbox.name;
    }
  }
  std::string name;
  for (const std::string& level : MailboxLevels(folder)) {
    std::string encoded = ModifiedUtf7(level);
    if (separator) std::replace(encoded.begin(), encoded.end(), *separator, '-');
    // Wildcards and the first level "INBOX" mean something else to a server.
    std::replace(encoded.begin(), encoded.end(), '*', '-');
    std::replace(encoded.begin(), encoded.end(), '%', '-');
    if (!name.empty()) name += separator.value_or('-');
    name += encoded;
  }
  return name;
}

std::string ImapDestination::EnterFolder(const DeliveryFolder& folder) {
  if (lost_ || !client_) return "the connection to " + Name() + " is lost";
  const std::string mailbox = MailboxFor(folder, separator_, mailboxes_);
  try {
    existedBefore_ =
        mailbox == "INBOX" || std::any_of(mailboxes_.begin(), mailboxes_.end(),
                                          [&](const ImapMailbox& m) { return m.name == mailbox; });
    if (!existedBefore_) {
      try {
        client_->Create(mailbox);
      } catch (const ImapError& error) {
        // Made meanwhile by another program: it is there all the same.
        if (error.code() != "ALREADYEXISTS") throw;
      }
      try {
        client_->Subscribe(mailbox);
      } catch (const ImapError&) {
        // A mailbox not subscribed is there all the same; some programs then do not show it.
      }
      mailboxes_.push_back(ImapMailbox{mailbox, separator_, {}});
    }
    selected_ = client_->Select(mailbox);
    mailbox_ = mailbox;
  } catch (const TransportError& error) {
    lost_ = true;
    return "the connection to " + Name() + " was lost: " + error.what();
  } catch (const ImapError& error) {
    if (error.status().empty() || error.status() == "BYE") {
      lost_ = true;
      return "the connection to " + Name() + " was lost: " + error.what();
    }
    return "the mailbox " + mailbox + ": " + error.what();
  }
  return {};
}

std::string ImapDestination::Holds(const std::string& record, std::int64_t /*bytes*/) {
  const std::size_t slash = record.find('/');
  if (slash == std::string::npos) return {};  // a server without UIDPLUS: the record is all there is
  if (record.substr(0, slash) != std::to_string(selected_.uidValidity)) {
    return "the mailbox on the server was made anew since (its UIDVALIDITY changed)";
  }
  return {};
}

Delivery ImapDestination::Lost(const std::string& why) {
  lost_ = true;
  Delivery delivery;
  delivery.reason = "the connection to " + Name() + " was lost: " + why;
  delivery.destinationLost = true;
  return delivery;
}

Delivery ImapDestination::Deliver(const OutgoingMessage& message) {
  Delivery delivery;
  if (lost_ || !client_) return Lost("it could not be made again");
  const std::uint64_t size = message.bytes.size();
  std::optional<std::uint64_t> limit = appendLimit_;
  if (account_.sizeLimit > 0) limit = std::min(limit.value_or(account_.sizeLimit), account_.sizeLimit);
  if (limit && size > *limit) {
    delivery.reason = "the message is larger (" + std::to_string(size) + " bytes) than the server takes (" +
                      std::to_string(*limit) + " bytes)";
    return delivery;
  }
  const auto record = [&](std::uint32_t validity, std::uint32_t uid) {
    return validity == 0 ? std::string("appended") : std::to_string(validity) + "/" + std::to_string(uid);
  };
  try {
    // A run that ended between the APPEND and its manifest line left the message there unrecorded.
    if (existedBefore_ && !message.messageId.empty()) {
      const auto found = client_->SearchMessageId(message.messageId);
      if (!found.empty()) {
        delivery.delivered = true;
        delivery.foundThere = true;
        delivery.record = record(selected_.uidValidity, found.front());
        return delivery;
      }
    }
    std::vector<std::string> flags;
    if (message.marks.read) flags.emplace_back("\\Seen");
    if (message.marks.draft) flags.emplace_back("\\Draft");
    if (selected_.keywordsAllowed) {
      for (const auto& keyword : message.marks.keywords) {
        std::string atom = KeywordAtom(keyword);
        if (!atom.empty() && atom[0] != '\\' && std::find(flags.begin(), flags.end(), atom) == flags.end())
          flags.push_back(std::move(atom));
      }
    }
    for (int attempt = 1;; ++attempt) {
      try {
        const ImapAppended appended = client_->Append(mailbox_, flags, message.date, message.bytes);
        delivery.delivered = true;
        delivery.record = record(appended.uidValidity, appended.uid);
        delivery.bytes = static_cast<std::int64_t>(size);
        return delivery;
      } catch (const ImapError& error) {
        const auto backoff = SuggestedBackoff(error.text());
        const bool throttled = backoff || error.code() == "UNAVAILABLE" || error.code() == "INUSE";
        if (!throttled || attempt >= kThrottledTries) throw;
        sleep_(std::min(std::chrono::milliseconds(backoff.value_or(1000LL << attempt)), kLongestBackoff));
      }
    }
  } catch (const TransportError& error) {
    return Lost(error.what());
  } catch (const ImapError& error) {
    if (error.status().empty() || error.status() == "BYE") return Lost(error.what());
    if (IsQuotaAnswer(error)) {
      Delivery full;
      full.reason = "the mailbox on the server is full (quota): " + std::string(error.what());
      full.destinationLost = true;
      return full;
    }
    delivery.reason = "the server refused the message: " + std::string(error.what());
    return delivery;
  }
}

void ImapDestination::Close() {
  if (client_ && !lost_) client_->Logout();
  client_.reset();
}

}  // namespace mailshift::mail
