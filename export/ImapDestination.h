// Messages into a mailbox on an IMAP server: one APPEND per message into the folder's mailbox
// (made when missing, the standard folders into the server's special folders), with the read and
// draft marks and the categories as flags and the message's date as INTERNALDATE; the APPENDUID
// goes into the run's manifest.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "export/ImapClient.h"
#include "export/MailTransport.h"
#include "export/MailboxNames.h"
#include "export/MessageDestination.h"

namespace mailshift::mail {

struct ImapAccount {
  std::string user;
  TransportOptions server;
  bool allowPlaintext = false;  // without TLS when the server offers no STARTTLS
  std::string password;         // LOGIN or AUTHENTICATE PLAIN, when no token
  std::string oauth2Token;      // AUTHENTICATE XOAUTH2 when given
  // The largest message sent, besides the server's APPENDLIMIT; 0 for no limit of our own.
  std::uint64_t sizeLimit = 0;
};

// "imaps://mary@mail.example.com:993" (never with a password).
std::string ImapUrl(const ImapAccount& account);

class ImapDestination : public MessageDestination {
 public:
  using Sleep = std::function<void(std::chrono::milliseconds)>;

  ImapDestination(ImapAccount account, TransportFactory& transports, Sleep sleep = {});

  std::string Name() const override { return ImapUrl(account_); }
  std::string Open() override;
  std::string EnterFolder(const DeliveryFolder& folder) override;
  std::string Holds(const std::string& record, std::int64_t bytes) override;
  Delivery Deliver(const OutgoingMessage& message) override;
  bool Lost() const override { return lost_; }
  void Close() override;

  // The mailbox a folder goes to on a server with that separator and those mailboxes.
  static std::string MailboxFor(const DeliveryFolder& folder, std::optional<char> separator,
                                const std::vector<ImapMailbox>& mailboxes);

 private:
  Delivery Lost(const std::string& why);

  ImapAccount account_;
  TransportFactory& transports_;
  Sleep sleep_;
  std::unique_ptr<ImapClient> client_;
  std::vector<ImapMailbox> mailboxes_;
  std::optional<char> separator_;
  std::optional<std::uint64_t> appendLimit_;
  // The selected mailbox.
  std::string mailbox_;
  ImapSelected selected_;
  bool existedBefore_ = false;  // the mailbox was there when the run began
  bool lost_ = false;
};

}  // namespace mailshift::mail
