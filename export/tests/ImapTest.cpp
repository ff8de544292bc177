// The IMAP response parser over a corpus of answers (and a bounded loop of mutations of them),
// and the IMAP destination against a scripted server: what it sends, and what it makes of the
// server's answers and faults.
#include <gtest/gtest.h>

#include <deque>
#include <random>

#include "export/ImapDestination.h"
#include "export/ImapResponse.h"

namespace mailshift::mail {
namespace {

struct ParseCase {
  std::string response;
  std::string expect;  // a summary of the parse, or "refused: " and the start of the reason
};

std::string Summary(const ImapValue& value) {
  switch (value.kind) {
    case ImapValue::Kind::Atom:
      return value.text;
    case ImapValue::Kind::String:
      return "\"" + value.text + "\"";
    case ImapValue::Kind::Nil:
      return "NIL";
    case ImapValue::Kind::List: {
      std::string text = "(";
      for (std::size_t i = 0; i < value.items.size(); ++i) text += (i ? " " : "") + Summary(value.items[i]);
      return text + ")";
    }
  }
  return "?";
}

std::string Summary(std::string_view text) {
  std::string problem;
  const auto response = ParseImapResponse(text, problem);
  if (!response) return "refused: " + problem;
  switch (response->kind) {
    case ImapResponse::Kind::Continuation:
      return "+ " + response->text;
    case ImapResponse::Kind::Tagged:
      return response->tag + " " + response->status + " [" + response->code + "] " + response->text;
    case ImapResponse::Kind::Untagged:
      break;
  }
  if (!response->status.empty())
    return "* " + response->status + " [" + response->code + "] " + response->text;
  std::string summary = "*";
  for (const auto& value : response->data) summary += " " + Summary(value);
  return summary;
}

const std::vector<ParseCase> kCorpus = {
    {"* OK [CAPABILITY IMAP4rev1 LITERAL+ SASL-IR] Dovecot ready.\r\n",
     "* OK [CAPABILITY IMAP4rev1 LITERAL+ SASL-IR] Dovecot ready."},
    {"M4 OK [APPENDUID 1733650000 17] Append completed (0.001 + 0.000 secs).\r\n",
     "M4 OK [APPENDUID 1733650000 17] Append completed (0.001 + 0.000 secs)."},
    {"M2 no [AUTHENTICATIONFAILED] Authentication failed.\r\n",
     "M2 NO [AUTHENTICATIONFAILED] Authentication failed."},
    {"* LIST (\\HasNoChildren \\Sent) \"/\" \"Sent Messages\"\r\n",
     "* LIST (\\HasNoChildren \\Sent) \"/\" \"Sent Messages\""},
    {"* LIST (\\Noselect) NIL \"\"\r\n", "* LIST (\\Noselect) NIL \"\""},
    {"* LIST () \".\" {11}\r\nQ\"&- x\\y z.\r\n", "* LIST () \".\" \"Q\"&- x\\y z.\""},
    {"* LIST () \"/\" \"a \\\"quoted\\\\ name\"\r\n", "* LIST () \"/\" \"a \"quoted\\ name\""},
    {"* SEARCH 3 17 2000\r\n", "* SEARCH 3 17 2000"},
    {"* SEARCH\r\n", "* SEARCH"},
    {"* 12 EXISTS\r\n", "* 12 EXISTS"},
    {"* OK [PERMANENTFLAGS (\\Answered \\Seen \\*)] Flags permitted.\r\n",
     "* OK [PERMANENTFLAGS (\\Answered \\Seen \\*)] Flags permitted."},
    {"* FLAGS (\\Answered ((nested) (lists)) x)\r\n", "* FLAGS (\\Answered ((nested) (lists)) x)"},
    {"+ \r\n", "+ "},
    {"+ eyJzdGF0dXMiOiI0MDAifQ==\r\n", "+ eyJzdGF0dXMiOiI0MDAifQ=="},
    {"* BYE Server shutting down.\r\n", "* BYE [] Server shutting down."},
    {"M9 NO [LIMIT] Request is throttled. Suggested Backoff Time: 2000 milliseconds\r\n",
     "M9 NO [LIMIT] Request is throttled. Suggested Backoff Time: 2000 milliseconds"},
    // Refused: a server's answer that breaks the grammar or the bounds.
    {"* LIST () \"/\" \"open\r\n", "refused: a quoted string runs over its line"},
    {"* LIST (\\A \"/\" x\r\n", "refused: a list is not closed"},
    {"* LIST () \"/\" {5}\r\nab\r\n", "refused: a literal is cut off"},
    {"* LIST () \"/\" {99999999}\r\n", "refused: a literal is larger than the export reads"},
    {"* X {4x}\r\nabcd\r\n", "refused: a literal's size is no number"},
    {"* OK [ALERT unclosed\r\n", "refused: a response code is not closed"},
    {"M1\r\n", "refused: a response begins with no tag"},
    {"M1 FETCH 1\r\n", "refused: a tagged response holds no status"},
    {"* OK no line end", "refused: a response does not end with a line end"},
    {"* X \"bad \\q escape\"\r\n", "refused: a quoted string holds a bad escape"},
    {"* X " + std::string(17, '(') + std::string(17, ')') + "\r\n", "refused: lists nested too deep"},
};

TEST(ImapResponse, ParsesTheCorpusAndRefusesWhatBreaksTheGrammar) {
  for (const auto& c : kCorpus) EXPECT_EQ(Summary(c.response), c.expect) << c.response;
}

// A bounded mutation loop over the corpus: whatever the bytes, the parser gives a response or a
// reason, within its bounds (the sanitizer build checks the memory it touches).
TEST(ImapResponse, MutatedAnswersAreParsedOrRefusedNeverMisread) {
  std::mt19937 random(20261208);
  const std::string alphabet = "()[]{}\"\\+* \r\n0123456789AZaz~&-";
  std::size_t parsed = 0;
  for (int round = 0; round < 30000; ++round) {
    std::string text = kCorpus[random() % kCorpus.size()].response;
    const int edits = 1 + static_cast<int>(random() % 4);
    for (int e = 0; e < edits && !text.empty(); ++e) {
      const std::size_t at = random() % text.size();
      switch (random() % 4) {
        case 0:
          text[at] = alphabet[random() % alphabet.size()];
          break;
        case 1:
          text.insert(at, 1, static_cast<char>(random() % 256));
          break;
        case 2:
          text.erase(at, 1 + random() % 3);
          break;
        default:
          text.insert(at, text.substr(at, random() % 8));
          break;
      }
    }
    std::string problem;
    const auto response = ParseImapResponse(text, problem);
    ASSERT_NE(response.has_value(), !problem.empty()) << text;
    if (response) {
      ++parsed;
      std::function<void(const ImapValue&, std::size_t)> check = [&](const ImapValue& value,
                                                                     std::size_t depth) {
        ASSERT_LE(depth, ImapLimits::kDepth);
        ASSERT_LE(value.text.size(), text.size());
        for (const auto& item : value.items) check(item, depth + 1);
      };
      for (const auto& value : response->data) check(value, 0);
    }
  }
  EXPECT_GT(parsed, 1000u);  // the loop reaches past the first refusal
}

TEST(ImapResponse, BackoffAndLiteralSizes) {
  EXPECT_EQ(SuggestedBackoff("Request is throttled. Suggested Backoff Time: 1234 milliseconds"), 1234);
  EXPECT_EQ(SuggestedBackoff("Mailbox full"), std::nullopt);
  EXPECT_EQ(LiteralAtLineEnd("* LIST () \"/\" {12}"), 12u);
  EXPECT_EQ(LiteralAtLineEnd("A1 APPEND x {12+}"), 12u);
  EXPECT_EQ(LiteralAtLineEnd("* OK {no}"), std::nullopt);
  EXPECT_EQ(ImapQuoted("a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(ImapQuoted("line\r\nbreak"), std::nullopt);
}

// A server that answers each line the client sends from a script. A step's "expect" is the
// start of the line the client must send next; its "reply" what the server then sends. A
// reply of kClose closes the connection.
struct Step {
  std::string expect;
  std::string reply;
};
constexpr std::string_view kClose = "<close>";

class ScriptedServer : public MailTransport {
 public:
  ScriptedServer(std::string greeting, std::deque<Step> steps, std::vector<std::string>& sent)
      : steps_(std::move(steps)), sent_(sent) {
    incoming_ = std::move(greeting);
  }
  void Write(std::string_view bytes) override {
    if (closed_) throw TransportError("the server closed the connection");
    pending_ += bytes;
    for (;;) {
      // A line ending in a literal's size is followed by its bytes; the line is only known whole
      // once they are there.
      const std::size_t end = pending_.find("\r\n");
      if (end == std::string::npos) return;
      std::string line = pending_.substr(0, end);
      std::size_t used = end + 2;
      if (const auto size = LiteralAtLineEnd(line); size && line.ends_with("+}")) {
        // The literal's bytes, then the rest of the command up to its line end.
        if (pending_.size() < used + *size) return;
        const std::size_t rest = pending_.find("\r\n", used + static_cast<std::size_t>(*size));
        if (rest == std::string::npos) return;
        line += "\r\n" + pending_.substr(used, rest - used);
        used = rest + 2;
      }
      pending_.erase(0, used);
      sent_.push_back(line);
      Answer(line);
      if (closed_) throw TransportError("the server closed the connection");
    }
  }
  std::size_t Read(char* into, std::size_t size) override {
    if (incoming_.empty()) throw TransportError(closed_ ? "the server closed the connection" : "no answer");
    const std::size_t n = std::min(size, incoming_.size());
    incoming_.copy(into, n);
    incoming_.erase(0, n);
    return n;
  }
  void StartTls() override { secure_ = true; }
  bool Secure() const override { return secure_; }

 private:
  void Answer(const std::string& line) {
    if (steps_.empty()) {
      ADD_FAILURE() << "unexpected: " << line;
      closed_ = true;
      return;
    }
    const Step step = steps_.front();
    steps_.pop_front();
    EXPECT_TRUE(line.starts_with(step.expect)) << "sent: " << line << "\nexpected: " << step.expect;
    if (step.reply == kClose) {
      closed_ = true;
      return;
    }
    incoming_ += step.reply;
  }

  std::deque<Step> steps_;
  std::vector<std::string>& sent_;
  std::string incoming_;
  std::string pending_;
  bool closed_ = false;
  bool secure_ = false;
};

class ScriptedServers : public TransportFactory {
 public:
  std::unique_ptr<MailTransport> Connect(const TransportOptions& options) override {
    connected = options;
    return std::make_unique<ScriptedServer>(greeting, steps, sent);
  }
  std::string greeting = "* OK ready\r\n";
  std::deque<Step> steps;
  std::vector<std::string> sent;
  TransportOptions connected;
};

const std::string kCapabilities = "* CAPABILITY IMAP4rev1 STARTTLS AUTH=PLAIN SASL-IR LITERAL+ UIDPLUS\r\n";

std::deque<Step> LoginSteps() {
  return {
      {"M1 CAPABILITY", kCapabilities + "M1 OK done\r\n"},
      {"M2 STARTTLS", "M2 OK Begin TLS\r\n"},
      {"M3 CAPABILITY", kCapabilities + "M3 OK done\r\n"},
      {"M4 AUTHENTICATE PLAIN AG1hcnkAcGFzcyB3b3Jk", "M4 OK Logged in\r\n"},
      {"M5 CAPABILITY", "* CAPABILITY IMAP4rev1 LITERAL+ UIDPLUS APPENDLIMIT=3000\r\nM5 OK done\r\n"},
      {"M6 LIST \"\" \"*\"",
       "* LIST (\\HasNoChildren) \"/\" INBOX\r\n* LIST (\\HasNoChildren \\Sent) \"/\" \"Sent Items\"\r\n"
       "* LIST (\\HasChildren) \"/\" Projects\r\nM6 OK done\r\n"},
  };
}

ImapAccount Account() {
  ImapAccount account;
  account.user = "mary";
  account.password = "pass word";
  account.server = TransportOptions{"mail.example", 143, false, "", 60};
  return account;
}

const std::string kSelectAnswer =
    "* OK [UIDVALIDITY 777] UIDs valid\r\n* OK [PERMANENTFLAGS (\\Seen \\Draft \\*)] Limited\r\n";

OutgoingMessage Message(std::string_view bytes, bool read = true) {
  return OutgoingMessage{bytes, 1228505400, MessageMarks{read, false, {"Q1 Budget", "Ops"}}, "ID1",
                         "<m1@example>"};
}

TEST(ImapDestination, AppendsIntoTheSpecialAndNewMailboxesWithFlagsDateAndUid) {
  ScriptedServers servers;
  servers.steps = LoginSteps();
  servers.steps.push_back({"M7 SELECT \"Sent Items\"", kSelectAnswer + "M7 OK [READ-WRITE] done\r\n"});
  // The mailbox was there before the run: the message is looked for first.
  servers.steps.push_back({"M8 UID SEARCH HEADER Message-ID \"<m1@example>\"", "* SEARCH\r\nM8 OK done\r\n"});
  // Sent before the server answers, as LITERAL+ allows.
  servers.steps.push_back(
      {"M9 APPEND \"Sent Items\" (\\Seen Q1_Budget Ops) \"05-Dec-2008 19:30:00 +0000\" {5+}\r\nHello",
       "M9 OK [APPENDUID 777 41] done\r\n"});
  servers.steps.push_back({"M10 CREATE \"Projects/2008/&AMk-t&AOk-\"", "M10 OK done\r\n"});
  servers.steps.push_back({"M11 SUBSCRIBE \"Projects/2008/&AMk-t&AOk-\"", "M11 OK done\r\n"});
  servers.steps.push_back({"M12 SELECT", "* OK [UIDVALIDITY 9] x\r\nM12 OK done\r\n"});
  servers.steps.push_back({"M13 APPEND \"Projects/2008/&AMk-t&AOk-\" () \"05-Dec-2008 19:30:00 +0000\" {2+}",
                           "M13 OK [APPENDUID 9 1] done\r\n"});
  servers.steps.push_back({"M14 LOGOUT", "* BYE bye\r\nM14 OK done\r\n"});
  ImapDestination destination(Account(), servers);
  ASSERT_EQ(destination.Open(), "");
  ASSERT_EQ(destination.EnterFolder(DeliveryFolder{true, "Sent", "Sent Items"}), "");
  Delivery delivery = destination.Deliver(Message("Hello"));
  EXPECT_TRUE(delivery.delivered);
  EXPECT_EQ(delivery.record, "777/41");
  EXPECT_EQ(destination.Holds("777/41", 5), "");
  EXPECT_NE(destination.Holds("776/41", 5), "");
  ASSERT_EQ(destination.EnterFolder(DeliveryFolder{false, "Projects\\2008\\ Été ", "Projects-2008- Été"}),
            "");
  delivery = destination.Deliver(Message("Hi", false));
  EXPECT_EQ(delivery.record, "9/1");
  // Too large for the server's APPENDLIMIT: not sent, and said why.
  const std::string large(3001, 'x');
  delivery = destination.Deliver(Message(large));
  EXPECT_FALSE(delivery.delivered);
  EXPECT_FALSE(delivery.destinationLost);
  EXPECT_NE(delivery.reason.find("larger (3001 bytes) than the server takes (3000 bytes)"),
            std::string::npos);
  destination.Close();
  for (const auto& line : servers.sent) EXPECT_EQ(line.find("pass word"), std::string::npos) << line;
}

struct FaultCase {
  std::string name;
  std::vector<Step> answer;  // after the SELECT of INBOX
  bool delivered;
  bool lost;
  std::string reason;
  int sleeps;
};

TEST(ImapDestination, ServerFaultsEndTheMessageOrTheRunWithAReason) {
  const std::vector<FaultCase> cases = {
      {"closed mid-APPEND",
       {{"M8 APPEND", std::string(kClose)}},
       false,
       true,
       "was lost: the server closed",
       0},
      {"NO",
       {{"M8 APPEND", "M8 NO [CANNOT] Message refused\r\n"}},
       false,
       false,
       "the server refused the message: NO [CANNOT] Message refused",
       0},
      {"BAD",
       {{"M8 APPEND", "M8 BAD Error in IMAP command\r\n"}},
       false,
       false,
       "refused the message: BAD",
       0},
      {"quota",
       {{"M8 APPEND", "M8 NO [OVERQUOTA] Quota exceeded (mailbox for user is full)\r\n"}},
       false,
       true,
       "is full (quota)",
       0},
      {"throttled twice",
       {{"M8 APPEND", "M8 NO Request is throttled. Suggested Backoff Time: 250 milliseconds\r\n"},
        {"M9 APPEND", "M9 NO [UNAVAILABLE] try later\r\n"},
        {"M10 APPEND", "M10 OK [APPENDUID 777 5] done\r\n"}},
       true,
       false,
       "",
       2},
      {"broken answer", {{"M8 APPEND", "M8 OK [APPENDUID 777\r\n"}}, false, true, "cannot be read", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedServers servers;
    servers.steps = LoginSteps();
    servers.steps.push_back({"M7 SELECT \"INBOX\"", kSelectAnswer + "M7 OK done\r\n"});
    for (const auto& step : c.answer) servers.steps.push_back(step);
    std::vector<std::chrono::milliseconds> waits;
    ImapDestination destination(Account(), servers,
                                [&](std::chrono::milliseconds wait) { waits.push_back(wait); });
    ASSERT_EQ(destination.Open(), "");
    ASSERT_EQ(destination.EnterFolder(DeliveryFolder{true, "Inbox", "Inbox"}), "");
    // A message without a Message-ID is not looked for first.
    OutgoingMessage message = Message("Hello");
    message.messageId.clear();
    const Delivery delivery = destination.Deliver(message);
    EXPECT_EQ(delivery.delivered, c.delivered);
    EXPECT_EQ(delivery.destinationLost, c.lost);
    EXPECT_NE(delivery.reason.find(c.reason), std::string::npos) << delivery.reason;
    EXPECT_EQ(static_cast<int>(waits.size()), c.sleeps);
    if (c.sleeps > 0) {
      EXPECT_EQ(waits.front(), std::chrono::milliseconds(250));
    }
  }
}

TEST(ImapDestination, AMessageTheServerHoldsAlreadyIsFoundByItsMessageId) {
  ScriptedServers servers;
  servers.steps = LoginSteps();
  servers.steps.push_back({"M7 SELECT \"INBOX\"", kSelectAnswer + "M7 OK done\r\n"});
  servers.steps.push_back(
      {"M8 UID SEARCH HEADER Message-ID \"<m1@example>\"", "* SEARCH 12\r\nM8 OK done\r\n"});
  ImapDestination destination(Account(), servers);
  ASSERT_EQ(destination.Open(), "");
  ASSERT_EQ(destination.EnterFolder(DeliveryFolder{true, "Inbox", "Inbox"}), "");
  const Delivery delivery = destination.Deliver(Message("Hello"));
  EXPECT_TRUE(delivery.delivered);
  EXPECT_TRUE(delivery.foundThere);
  EXPECT_EQ(delivery.record, "777/12");
}

TEST(ImapDestination, LoginAndTlsRefusalsSayWhy) {
  {
    ScriptedServers servers;
    servers.steps = {{"M1 CAPABILITY", "* CAPABILITY IMAP4rev1 AUTH=PLAIN\r\nM1 OK done\r\n"}};
    ImapDestination destination(Account(), servers);
    EXPECT_NE(destination.Open().find("offers no STARTTLS"), std::string::npos);
  }
  {
    ScriptedServers servers;
    servers.steps = LoginSteps();
    servers.steps.resize(3);
    servers.steps.push_back(
        {"M4 AUTHENTICATE PLAIN", "M4 NO [AUTHENTICATIONFAILED] Authentication failed.\r\n"});
    ImapDestination destination(Account(), servers);
    EXPECT_EQ(destination.Open(),
              "the server refused the login of mary: NO [AUTHENTICATIONFAILED] Authentication failed.");
  }
  {
    // XOAUTH2: a refused token gets a continuation with the error, answered by an empty line.
    ScriptedServers servers;
    servers.steps = LoginSteps();
    servers.steps.resize(3);
    servers.steps.push_back({"M4 AUTHENTICATE XOAUTH2 dXNlcj1tYXJ5AWF1dGg9QmVhcmVyIHRva2VuAQE=",
                             "+ eyJzdGF0dXMiOiI0MDAifQ==\r\n"});
    servers.steps.push_back({"", "M4 NO [AUTHENTICATIONFAILED] Invalid credentials\r\n"});
    ImapAccount account = Account();
    account.oauth2Token = "token";
    ImapDestination destination(account, servers);
    EXPECT_NE(destination.Open().find("Invalid credentials"), std::string::npos);
  }
}

}  // namespace
}  // namespace mailshift::mail
