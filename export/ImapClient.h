// The part of IMAP4rev1 (RFC 3501) the export speaks, over a MailTransport: the greeting,
// CAPABILITY, STARTTLS, LOGIN and AUTHENTICATE (PLAIN, XOAUTH2), LIST with the special-use
// attributes (RFC 6154), CREATE, SUBSCRIBE, SELECT, UID SEARCH, APPEND with flags and date and
// the APPENDUID of UIDPLUS (RFC 4315), LITERAL+ (RFC 7888) and LOGOUT.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "export/ImapResponse.h"
#include "export/MailTransport.h"

namespace mailshift::mail {

// The server answered a command with NO or BAD, or broke the protocol.
class ImapError : public std::runtime_error {
 public:
  ImapError(std::string status, std::string code, const std::string& text);
  const std::string& status() const { return status_; }  // "NO", "BAD", "BYE", or "" for a broken answer
  const std::string& code() const { return code_; }      // the response code, or ""
  const std::string& text() const { return text_; }

 private:
  std::string status_;
  std::string code_;
  std::string text_;
};

struct ImapMailbox {
  std::string name;                     // as the server spells it (modified UTF-7)
  std::optional<char> separator;        // none for a flat namespace
  std::vector<std::string> attributes;  // "\\Sent", "\\Noselect", ... as sent
  bool Has(std::string_view attribute) const;
};

struct ImapSelected {
  std::uint32_t uidValidity = 0;
  bool keywordsAllowed = false;  // PERMANENTFLAGS holds "\*": new keywords are kept
};

struct ImapAppended {
  std::uint32_t uidValidity = 0;  // 0 when the server gives no APPENDUID
  std::uint32_t uid = 0;
};

class ImapClient {
 public:
  explicit ImapClient(std::unique_ptr<MailTransport> transport);

  // Reads the server's greeting; throws ImapError for a BYE or a broken one.
  void Greeting();
  // Asks for the capabilities and keeps them.
  void Capability();
  bool Has(std::string_view capability) const;
  // The number of a capability of the form NAME=N ("APPENDLIMIT=35651584"); none without one.
  std::optional<std::uint64_t> CapabilityNumber(std::string_view name) const;
  void StartTls();
  bool Secure() const { return transport_->Secure(); }
  // AUTHENTICATE PLAIN where offered, else LOGIN. The password never leaves this call but to the
  // server.
  void Login(const std::string& user, const std::string& password);
  void XOAuth2(const std::string& user, const std::string& token);
  // LIST "" "*" (with RETURN (SPECIAL-USE) where offered).
  std::vector<ImapMailbox> List();
  void Create(const std::string& mailbox);
  void Subscribe(const std::string& mailbox);
  ImapSelected Select(const std::string& mailbox);
  // The UIDs of the selected mailbox's messages whose Message-ID header holds the text.
  std::vector<std::uint32_t> SearchMessageId(const std::string& messageId);
  // APPEND with flags ("\\Seen", "\\Draft", keywords) and INTERNALDATE (seconds since the epoch).
  ImapAppended Append(const std::string& mailbox, const std::vector<std::string>& flags,
                      std::optional<std::int64_t> date, std::string_view message);
  void Logout();

  // The mailbox name as an IMAP string (quoted, or a literal for what a quoted string cannot
  // hold); the modified UTF-7 of names is always quotable.
  static std::string Quoted(std::string_view text);
  // "08-Dec-2026 07:27:19 +0000".
  static std::string InternalDate(std::int64_t seconds);

 private:
  struct Tagged {
    std::string status;
    std::string code;
    std::string text;
  };
  using Untagged = std::function<void(const ImapResponse&)>;

  std::string NextTag();
  ImapResponse ReadResponse();
  std::string ReadLine();
  // Sends the command line (CR LF added) and reads up to its tagged answer; NO and BAD throw.
  Tagged Run(const std::string& command, const Untagged& untagged = {});
  // Reads responses up to the one tagged so; continuation requests go to onContinue.
  Tagged Finish(const std::string& tag, const Untagged& untagged,
                const std::function<void(const ImapResponse&)>& onContinue = {});
  void Keep(const ImapResponse& response);  // capabilities in any response

  std::unique_ptr<MailTransport> transport_;
  std::string buffer_;  // bytes read and not yet taken
  std::uint32_t nextTag_ = 1;
  std::vector<std::string> capabilities_;
};

}  // namespace mailshift::mail
