#include "export/ImapClient.h"

#include <cctype>
#include <ctime>

#include "common/Base64.h"

namespace mailshift::mail {
namespace {

bool SameWord(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

std::optional<std::uint32_t> Number32(std::string_view text) {
  if (text.empty() || text.size() > 10) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (value > 0xFFFFFFFFu) return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

// The words of a response code ("APPENDUID 38505 3955").
std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  std::size_t at = 0;
  while (at < text.size()) {
    while (at < text.size() && text[at] == ' ') ++at;
    const std::size_t start = at;
    while (at < text.size() && text[at] != ' ') ++at;
    if (at > start) words.push_back(text.substr(start, at - start));
  }
  return words;
}

}  // namespace

ImapError::ImapError(std::string status, std::string code, const std::string& text)
    : std::runtime_error((status.empty() ? std::string() : status + " ") +
                         (code.empty() ? std::string() : "[" + code + "] ") + text),
      status_(std::move(status)),
      code_(std::move(code)),
      text_(text) {}

bool ImapMailbox::Has(std::string_view attribute) const {
  for (const auto& a : attributes) {
    if (SameWord(a, attribute)) return true;
  }
  return false;
}

ImapClient::ImapClient(std::unique_ptr<MailTransport> transport) : transport_(std::move(transport)) {}

std::string ImapClient::ReadLine() {
  for (;;) {
    const std::size_t end = buffer_.find("\r\n");
    if (end != std::string::npos) {
      std::string line = buffer_.substr(0, end + 2);
      buffer_.erase(0, end + 2);
      return line;
    }
    if (buffer_.size() > ImapLimits::kLineBytes) throw ImapError("", "", "the server sent a line too long");
    char chunk[16 * 1024];
    const std::size_t got = transport_->Read(chunk, sizeof chunk);
    buffer_.append(chunk, got);
  }
}

ImapResponse ImapClient::ReadResponse() {
  std::string whole = ReadLine();
  // A line that ends in a literal's size goes on with its bytes and the next line.
  while (const auto size = LiteralAtLineEnd(std::string_view(whole).substr(0, whole.size() - 2))) {
    if (*size > ImapLimits::kLiteralBytes || whole.size() + *size > ImapLimits::kResponseBytes)
      throw ImapError("", "", "the server sent a literal larger than the export reads");
    while (buffer_.size() < *size) {
      char chunk[16 * 1024];
      buffer_.append(chunk, transport_->Read(chunk, sizeof chunk));
    }
    whole += buffer_.substr(0, static_cast<std::size_t>(*size));
    buffer_.erase(0, static_cast<std::size_t>(*size));
    whole += ReadLine();
  }
  std::string problem;
  auto response = ParseImapResponse(whole, problem);
  if (!response) throw ImapError("", "", "the server's answer cannot be read: " + problem);
  Keep(*response);
  return std::move(*response);
}

void ImapClient::Keep(const ImapResponse& response) {
  const auto takeWords = [this](const std::vector<std::string_view>& words, std::size_t from) {
    capabilities_.clear();
    for (std::size_t i = from; i < words.size(); ++i) capabilities_.emplace_back(words[i]);
  };
  if (!response.code.empty()) {
    const auto words = Words(response.code);
    if (!words.empty() && SameWord(words[0], "CAPABILITY")) takeWords(words, 1);
  }
  if (response.kind == ImapResponse::Kind::Untagged && !response.data.empty() &&
      response.data[0].IsAtom("CAPABILITY")) {
    capabilities_.clear();
    for (std::size_t i = 1; i < response.data.size(); ++i) {
      if (response.data[i].kind == ImapValue::Kind::Atom) capabilities_.push_back(response.data[i].text);
    }
  }
}

std::string ImapClient::NextTag() { return "M" + std::to_string(nextTag_++); }

ImapClient::Tagged ImapClient::Finish(const std::string& tag, const Untagged& untagged,
                                      const std::function<void(const ImapResponse&)>& onContinue) {
  for (;;) {
    const ImapResponse response = ReadResponse();
    switch (response.kind) {
      case ImapResponse::Kind::Continuation:
        if (!onContinue) throw ImapError("", "", "the server asked for more than the command has");
        onContinue(response);
        break;
      case ImapResponse::Kind::Untagged:
        if (response.status == "BYE")
          throw TransportError("the server closed the connection: " + response.text);
        if (untagged) untagged(response);
        break;
      case ImapResponse::Kind::Tagged:
        if (response.tag != tag) throw ImapError("", "", "the server answered a command it was not given");
        if (response.status != "OK") throw ImapError(response.status, response.code, response.text);
        return Tagged{response.status, response.code, response.text};
    }
  }
}

ImapClient::Tagged ImapClient::Run(const std::string& command, const Untagged& untagged) {
  const std::string tag = NextTag();
  transport_->Write(tag + " " + command + "\r\n");
  return Finish(tag, untagged);
}

void ImapClient::Greeting() {
  const ImapResponse greeting = ReadResponse();
  if (greeting.kind != ImapResponse::Kind::Untagged ||
      (greeting.status != "OK" && greeting.status != "PREAUTH"))
    throw ImapError(greeting.status, greeting.code, "the server refused the connection: " + greeting.text);
}

void ImapClient::Capability() { Run("CAPABILITY"); }

bool ImapClient::Has(std::string_view capability) const {
  for (const auto& c : capabilities_) {
    if (SameWord(c, capability)) return true;
  }
  return false;
}

std::optional<std::uint64_t> ImapClient::CapabilityNumber(std::string_view name) const {
  for (const auto& c : capabilities_) {
    if (c.size() > name.size() + 1 && SameWord(std::string_view(c).substr(0, name.size()), name) &&
        c[name.size()] == '=') {
      std::uint64_t value = 0;
      const std::string_view digits = std::string_view(c).substr(name.size() + 1);
      if (digits.size() > 18) return std::nullopt;
      for (const char d : digits) {
        if (d < '0' || d > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(d - '0');
      }
      return value;
    }
  }
  return std::nullopt;
}

void ImapClient::StartTls() {
  Run("STARTTLS");
  // What came before TLS is not trusted after it (RFC 3501 section 6.2.1).
  if (!buffer_.empty()) throw ImapError("", "", "the server sent more after agreeing to STARTTLS");
  transport_->StartTls();
  capabilities_.clear();
}

std::string ImapClient::Quoted(std::string_view text) {
  if (auto quoted = ImapQuoted(text)) return *quoted;
  return "{" + std::to_string(text.size()) + "+}\r\n" + std::string(text);
}

void ImapClient::Login(const std::string& user, const std::string& password) {
  if (Has("AUTH=PLAIN")) {
    const std::string response = EncodeBase64(std::string(1, '\0') + user + std::string(1, '\0') + password);
    const std::string tag = NextTag();
    if (Has("SASL-IR")) {
      transport_->Write(tag + " AUTHENTICATE PLAIN " + response + "\r\n");
      Finish(tag, {});
    } else {
      transport_->Write(tag + " AUTHENTICATE PLAIN\r\n");
      bool sent = false;
      Finish(tag, {}, [&](const ImapResponse&) {
        transport_->Write(sent ? std::string("*\r\n") : response + "\r\n");
        sent = true;
      });
    }
    return;
  }
  if (Has("LOGINDISABLED")) throw ImapError("NO", "", "the server takes no password on this connection");
  const auto quotedUser = ImapQuoted(user);
  const auto quotedPassword = ImapQuoted(password);
  if (!quotedUser || !quotedPassword || !Has("LITERAL+")) {
    if (!quotedUser || !quotedPassword)
      throw ImapError("NO", "", "the user name or password holds characters LOGIN cannot send");
  }
  Run("LOGIN " + *quotedUser + " " + *quotedPassword);
}

void ImapClient::XOAuth2(const std::string& user, const std::string& token) {
  const std::string response = EncodeBase64("user=" + user +
                                            "\x01"
                                            "auth=Bearer " +
                                            token + "\x01\x01");
  const std::string tag = NextTag();
  const bool inline_ = Has("SASL-IR");
  transport_->Write(tag + " AUTHENTICATE XOAUTH2" + (inline_ ? " " + response : std::string()) + "\r\n");
  bool sent = inline_;
  // A refused token is answered with a continuation holding the error; an empty line ends it.
  Finish(tag, {}, [&](const ImapResponse&) {
    transport_->Write(sent ? std::string("\r\n") : response + "\r\n");
    sent = true;
  });
}

std::vector<ImapMailbox> ImapClient::List() {
  std::vector<ImapMailbox> mailboxes;
  const std::string command = Has("SPECIAL-USE") ? "LIST \"\" \"*\" RETURN (SPECIAL-USE)" : "LIST \"\" \"*\"";
  Run(command, [&](const ImapResponse& response) {
    const auto& data = response.data;
    if (data.size() != 4 || !data[0].IsAtom("LIST") || data[1].kind != ImapValue::Kind::List) return;
    ImapMailbox mailbox;
    for (const auto& attribute : data[1].items) {
      if (attribute.kind == ImapValue::Kind::Atom) mailbox.attributes.push_back(attribute.text);
    }
    if (data[2].kind == ImapValue::Kind::String && data[2].text.size() == 1)
      mailbox.separator = data[2].text[0];
    if (data[3].kind != ImapValue::Kind::String && data[3].kind != ImapValue::Kind::Atom) return;
    mailbox.name = data[3].text;
    mailboxes.push_back(std::move(mailbox));
  });
  return mailboxes;
}

void ImapClient::Create(const std::string& mailbox) { Run("CREATE " + Quoted(mailbox)); }

void ImapClient::Subscribe(const std::string& mailbox) { Run("SUBSCRIBE " + Quoted(mailbox)); }

ImapSelected ImapClient::Select(const std::string& mailbox) {
  ImapSelected selected;
  const auto takeCode = [&](const std::string& code) {
    const auto words = Words(code);
    if (words.size() >= 2 && SameWord(words[0], "UIDVALIDITY")) {
      if (const auto value = Number32(words[1])) selected.uidValidity = *value;
    }
    if (!words.empty() && SameWord(words[0], "PERMANENTFLAGS")) {
      selected.keywordsAllowed = code.find("\\*") != std::string::npos;
    }
  };
  Run("SELECT " + Quoted(mailbox), [&](const ImapResponse& response) { takeCode(response.code); });
  return selected;
}

std::vector<std::uint32_t> ImapClient::SearchMessageId(const std::string& messageId) {
  std::vector<std::uint32_t> uids;
  Run("UID SEARCH HEADER Message-ID " + Quoted(messageId), [&](const ImapResponse& response) {
    if (response.data.empty() || !response.data[0].IsAtom("SEARCH")) return;
    for (std::size_t i = 1; i < response.data.size(); ++i) {
      if (const auto uid = Number32(response.data[i].text)) uids.push_back(*uid);
    }
  });
  return uids;
}

std::string ImapClient::InternalDate(std::int64_t seconds) {
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const std::time_t time = static_cast<std::time_t>(seconds);
  std::tm parts{};
#ifdef _WIN32
  gmtime_s(&parts, &time);
#else
  gmtime_r(&time, &parts);
#endif
  char text[40];
  std::snprintf(text, sizeof text, "%02d-%s-%04d %02d:%02d:%02d +0000", parts.tm_mday,
                kMonths[parts.tm_mon % 12], parts.tm_year + 1900, parts.tm_hour, parts.tm_min, parts.tm_sec);
  return text;
}

ImapAppended ImapClient::Append(const std::string& mailbox, const std::vector<std::string>& flags,
                                std::optional<std::int64_t> date, std::string_view message) {
  std::string command = "APPEND " + Quoted(mailbox) + " (";
  for (std::size_t i = 0; i < flags.size(); ++i) command += (i == 0 ? "" : " ") + flags[i];
  command += ")";
  // A date before 1900 or after 9999 is no date IMAP can carry: the server's own time is taken.
  if (date && *date > -2208988800LL && *date < 253402300800LL) command += " \"" + InternalDate(*date) + "\"";
  const bool plus = Has("LITERAL+") || (Has("LITERAL-") && message.size() <= 4096);
  command += " {" + std::to_string(message.size()) + (plus ? "+" : "") + "}\r\n";
  const std::string tag = NextTag();
  transport_->Write(tag + " " + command);
  bool sent = false;
  const auto sendMessage = [&] {
    transport_->Write(message);
    transport_->Write("\r\n");
    sent = true;
  };
  if (plus) sendMessage();
  const Tagged done = Finish(tag, {}, [&](const ImapResponse&) {
    if (sent) throw ImapError("", "", "the server asked twice for the message");
    sendMessage();
  });
  ImapAppended appended;
  const auto words = Words(done.code);
  if (words.size() == 3 && SameWord(words[0], "APPENDUID")) {
    const auto validity = Number32(words[1]);
    const auto uid = Number32(words[2]);
    if (validity && uid) appended = ImapAppended{*validity, *uid};
  }
  return appended;
}

void ImapClient::Logout() {
  try {
    Run("LOGOUT");
  } catch (const std::exception&) {
    // The connection ends either way.
  }
}

}  // namespace mailshift::mail
