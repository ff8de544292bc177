#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "platform/mime/AttachmentSpool.h"
#include "platform/mime/MailComposer.h"
#include "platform/mime/Utf8Path.h"
#include "platform/mime/tests/RenderedMessage.h"
#include "platform/mime/tests/TestFiles.h"

namespace mailshift::platform {
namespace {

namespace fs = std::filesystem;
using mail::EmailError;
using mail::EmailMessage;
using mail::RecipientKind;
using mailshift::platform::testing::ReadAll;
using mailshift::platform::testing::WriteFile;
using testing::ReadRendered;
using testing::RenderedMessage;

// The attachments a message holds open before it spools the next ones; none where a file that is
// open cannot be deleted.
#ifndef _WIN32
constexpr std::size_t kHeldOpen = AttachmentSpool::kMostHeldOpen;
#else
constexpr std::size_t kHeldOpen = 0;
#endif

constexpr DateTime kFixedDate{1225895400, 90};

using ScratchFile = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

std::string Utf8(const char8_t* text) { return std::string(reinterpret_cast<const char*>(text)); }

// Every line of the message, CR LF ended, 7-bit, within 998 characters (78 where `strict`).
void ExpectWellFormedLines(const std::string& text, bool strict) {
  EXPECT_TRUE(std::all_of(text.begin(), text.end(), [](char c) { return c > 0 && c < 0x7F; }));
  std::size_t longest = 0;
  for (std::size_t at = 0; at < text.size();) {
    auto end = text.find("\r\n", at);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(at, end - at);
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << "bare CR or LF in " << line;
    longest = std::max(longest, line.size());
    at = end + 2;
  }
  EXPECT_LE(longest, strict ? 78u : 998u);
}

class MailComposerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device device;
    folder_ = fs::temp_directory_path() / ("composer-test-" + std::to_string(device()));
    fs::create_directories(Spools());
    MailComposerOptions options;
    options.spoolParentFolder = Utf8FromPath(Spools());
    options.newMessageId = [this] { return "<fixed." + std::to_string(++renderings_) + "@example.test>"; };
    options.newBoundary = [] { return std::string("=_fixed-boundary"); };
    options.clock = [] { return DateTime{1000000000, -120}; };
    component_ = CreateMailComposer(options);
  }
  void TearDown() override {
    component_.reset();
    fs::remove_all(folder_);
  }

  fs::path Spools() const { return folder_ / "spools"; }

  // A file to render into, in the test's folder: the C library's tmpfile would use the root of
  // the drive on Windows.
  ScratchFile NewScratchFile() {
    const fs::path path = folder_ / ("rendered-" + std::to_string(++scratchFiles_));
#ifdef _WIN32
    std::FILE* file = _wfopen(path.c_str(), L"w+b");
#else
    std::FILE* file = std::fopen(path.c_str(), "w+b");
#endif
    EXPECT_NE(file, nullptr);
    return ScratchFile(file, std::fclose);
  }

  std::string Extracted(const std::string& relativeUtf8, const std::string& content) {
    const fs::path path = folder_ / PathFromUtf8(relativeUtf8);
    fs::create_directories(path.parent_path());
    WriteFile(path, content);
    return Utf8FromPath(path);
  }

  std::unique_ptr<EmailMessage> NewMessage() {
    auto message = component_->CreateMessage();
    message->SetDate(kFixedDate);
    return message;
  }

  // The rendered text followed by the line end the message writer adds.
  std::string Render(EmailMessage& message) {
    ScratchFile file = NewScratchFile();
    component_->CreateRenderer()->Render(message, file.get());
    return ReadAll(file.get()) + "\r\n";
  }

  fs::path folder_;
  int renderings_ = 0;
  int scratchFiles_ = 0;
  std::unique_ptr<mail::EmailComponent> component_;
};

TEST_F(MailComposerTest, WritesASinglePartMessageInFieldOrderWithTheGivenIdentity) {
  auto message = NewMessage();
  message->SetSender("Ann Lee <ann@example.com>");
  message->AddRecipient(RecipientKind::To, "bob@example.com;Bob Ray/Org", "bob@example.com;Bob Ray/Org");
  message->AddRecipient(RecipientKind::Bcc, "Carol", "carol@example.com");
  message->SetSubject(Utf8(u8"Grüße"));
  message->SetBodyText(Utf8(u8"Line one\nLine two €\r\n"));
  const std::string text = Render(*message);
  ExpectWellFormedLines(text, true);
  EXPECT_TRUE(text.ends_with("two =E2=82=AC\r\n")) << "the caller ends the last line: the renderer did not";
  EXPECT_FALSE(text.ends_with("\r\n\r\n"));

  const RenderedMessage read = ReadRendered(text);
  std::vector<std::string> names;
  for (const auto& field : read.top.fields) names.push_back(field.first);
  EXPECT_EQ(names, (std::vector<std::string>{"From", "To", "Bcc", "Subject", "Date", "Message-ID",
                                             "MIME-Version", "Content-Type", "Content-Transfer-Encoding"}));
  EXPECT_EQ(read.top.Field("From"), "Ann Lee <ann@example.com>");
  EXPECT_EQ(read.top.Field("To"), "bob@example.com, Bob Ray/Org <Bob.Ray.Org@notes.mailshift.invalid>");
  EXPECT_EQ(read.top.Field("Bcc"), "Carol <carol@example.com>");
  EXPECT_EQ(read.top.Field("Subject"), "=?UTF-8?B?R3LDvMOfZQ==?=");
  EXPECT_EQ(read.top.Field("Date"), "Wed, 05 Nov 2008 16:00:00 +0130");
  EXPECT_EQ(read.top.Field("Message-ID"), "<fixed.1@example.test>");
  EXPECT_EQ(read.top.Field("MIME-Version"), "1.0");
  EXPECT_EQ(read.top.Field("Content-Type"), "text/plain; charset=UTF-8");
  EXPECT_EQ(read.top.Field("Content-Transfer-Encoding"), "quoted-printable");
  ASSERT_EQ(read.parts.size(), 1u);
  EXPECT_EQ(read.parts[0].Decoded(), Utf8(u8"Line one\r\nLine two €\r\n"));
}

TEST_F(MailComposerTest, AMessageOfANotesDocumentTakesItsIdentityFromTheDocument) {
  auto message = NewMessage();
  message->SetUniversalId("0123456789abcdef0123456789ABCDEF");
  const RenderedMessage first = ReadRendered(Render(*message));
  EXPECT_EQ(first.top.Field("Message-ID"), "<0123456789abcdef0123456789ABCDEF@notes.mailshift.invalid>");
  EXPECT_EQ(first.top.Field("X-Notes-UNID"), "0123456789abcdef0123456789ABCDEF");
  // Every rendering of the document gives it the same identity.
  EXPECT_EQ(ReadRendered(Render(*message)).top.Field("Message-ID"), first.top.Field("Message-ID"));

  for (const char* notAnId :
       {"", "0123", "0123456789ABCDEF0123456789ABCDEG", "0123456789ABCDEF0123456789ABCDE\n"}) {
    EXPECT_THROW(message->SetUniversalId(notAnId), mail::EmailError) << notAnId;
  }
  EXPECT_EQ(ReadRendered(Render(*message)).top.Field("X-Notes-UNID"), "0123456789abcdef0123456789ABCDEF");
}

TEST_F(MailComposerTest, TheDocumentsOwnMessageIdThreadImportanceAndKeywordsAreWritten) {
  auto message = NewMessage();
  message->SetUniversalId("0123456789ABCDEF0123456789ABCDEF");
  mail::MessageHeaders headers;
  headers.messageId = "<OF5A1B@corvane.example>";
  headers.inReplyTo = "<parent@mail.example>";
  headers.references = "<root@mail.example> <parent@mail.example>";
  headers.importance = mail::Importance::High;
  headers.keywords = {"Budget", "Q1, 2009"};
  message->SetHeaders(headers);
  const RenderedMessage read = ReadRendered(Render(*message));
  EXPECT_EQ(read.top.Field("Message-ID"), "<OF5A1B@corvane.example>");
  EXPECT_EQ(read.top.Field("X-Notes-UNID"), "0123456789ABCDEF0123456789ABCDEF");  // the manifest's key
  EXPECT_EQ(read.top.Field("In-Reply-To"), "<parent@mail.example>");
  EXPECT_EQ(read.top.Field("References"), "<root@mail.example> <parent@mail.example>");
  EXPECT_EQ(read.top.Field("Importance"), "high");
  EXPECT_EQ(read.top.Field("X-Priority"), "1 (Highest)");
  EXPECT_EQ(read.top.Field("Keywords"), "Budget, \"Q1, 2009\"");

  // What is no message id is refused and said; the rest is taken all the same.
  auto broken = NewMessage();
  broken->SetUniversalId("0123456789ABCDEF0123456789ABCDEF");
  headers.messageId = "not an id";
  headers.inReplyTo = "<parent@mail.example>";
  headers.importance = mail::Importance::Low;
  EXPECT_THROW(broken->SetHeaders(headers), mail::EmailError);
  const RenderedMessage kept = ReadRendered(Render(*broken));
  EXPECT_EQ(kept.top.Field("Message-ID"), "<0123456789ABCDEF0123456789ABCDEF@notes.mailshift.invalid>");
  EXPECT_EQ(kept.top.Field("In-Reply-To"), "<parent@mail.example>");
  EXPECT_EQ(kept.top.Field("Importance"), "low");
}

TEST_F(MailComposerTest, KeptFieldsFollowTheProgramsOwnAndAreLeftOutWhenTheyCannotStay7BitClean) {
  auto message = NewMessage();
  mail::MessageHeaders headers;
  const std::string longList = "<" + std::string(120, 'l') + ".example.com>";
  headers.otherFields = {{"Reply-To", "Photo Desk <desk@photo.example>"},
                         {"Organization", "=?UTF-8?Q?Gr=C3=B6=C3=9Fe?="},
                         {"List-Unsubscribe", "<mailto:leave@list.example>, " + longList},
                         {"Thread-Topic", Utf8(u8"Grüße raw")},
                         {"Bad Name", "x"}};
  message->SetHeaders(headers);
  const std::string text = Render(*message);
  ExpectWellFormedLines(text, false);  // the long list id is one word longer than 78
  const RenderedMessage read = ReadRendered(text);
  std::vector<std::string> names;
  for (const auto& field : read.top.fields) names.push_back(field.first);
  EXPECT_EQ(names, (std::vector<std::string>{"From", "Date", "Message-ID", "Reply-To", "Organization",
                                             "List-Unsubscribe", "MIME-Version", "Content-Type",
                                             "Content-Transfer-Encoding"}));
  EXPECT_EQ(read.top.Field("Reply-To"), "Photo Desk <desk@photo.example>");
  EXPECT_EQ(read.top.Field("Organization"), "=?UTF-8?Q?Gr=C3=B6=C3=9Fe?=");  // as it was sent
  EXPECT_EQ(read.top.Field("List-Unsubscribe"), "<mailto:leave@list.example>, " + longList);
  EXPECT_NE(text.find("<mailto:leave@list.example>,\r\n " + longList), std::string::npos) << "folded";
}

TEST_F(MailComposerTest, AnAttachmentOfAKnownTypeKeepsIt) {
  auto message = NewMessage();
  message->SetBodyText("see attached");
  message->AddAttachmentOfType(Extracted("typed/terms.pdf", "pdf"), "application/pdf");
  message->AddAttachmentOfType(Extracted("typed/odd.bin", "odd"), "not a type");
  message->AddAttachment(Extracted("typed/plain.bin", "plain"));
  const RenderedMessage read = ReadRendered(Render(*message));
  ASSERT_EQ(read.parts.size(), 4u);
  EXPECT_EQ(read.parts[1].Field("Content-Type"), "application/pdf; name=\"terms.pdf\"");
  EXPECT_EQ(read.parts[2].Field("Content-Type"), "application/octet-stream; name=\"odd.bin\"");
  EXPECT_EQ(read.parts[3].Field("Content-Type"), "application/octet-stream; name=\"plain.bin\"");
  EXPECT_EQ(read.parts[1].Decoded(), "pdf");
}

// A forwarded message may not be encoded (RFC 2046): it goes as it is where its lines allow,
// otherwise whole as an attachment of no particular type.
TEST_F(MailComposerTest, AMessagePartIsNeverBase64) {
  struct Case {
    std::string content;
    std::string type;
    std::string encoding;
    std::string decoded;
  };
  const std::string rfc822 = "message/rfc822; name=\"m.eml\"";
  const std::string octets = "application/octet-stream; name=\"m.eml\"";
  const std::vector<Case> cases{
      {"From: a@x.example\nSubject: hi\n\nbody\n", rfc822, "7bit",
       "From: a@x.example\r\nSubject: hi\r\n\r\nbody\r\n"},
      {"Subject: caf\xC3\xA9\r\n\r\nbody", rfc822, "8bit", "Subject: caf\xC3\xA9\r\n\r\nbody"},
      {std::string("Subject: x\r\n\r\nnul \0 here\r\n", 26), octets, "base64",
       std::string("Subject: x\r\n\r\nnul \0 here\r\n", 26)},
      {"Subject: x\r\n\r\n" + std::string(999, 'l') + "\r\n", octets, "base64",
       "Subject: x\r\n\r\n" + std::string(999, 'l') + "\r\n"},
      {"Subject: x\r\n\r\n--=_fixed-boundary--\r\n", octets, "base64",
       "Subject: x\r\n\r\n--=_fixed-boundary--\r\n"},
      {"Subject: x\r\n\r\nlone\rCR\r\n", octets, "base64", "Subject: x\r\n\r\nlone\rCR\r\n"},
  };
  int number = 0;
  for (const Case& c : cases) {
    auto message = NewMessage();
    message->SetBodyText("forwarded");
    message->AddAttachmentOfType(Extracted("forwarded" + std::to_string(++number) + "/m.eml", c.content),
                                 "message/rfc822");
    const std::string text = Render(*message);
    const RenderedMessage read = ReadRendered(text);
    ASSERT_EQ(read.parts.size(), 2u) << c.content;
    EXPECT_EQ(read.parts[1].Field("Content-Type"), c.type) << c.content;
    EXPECT_EQ(read.parts[1].Field("Content-Transfer-Encoding"), c.encoding) << c.content;
    EXPECT_EQ(read.parts[1].Decoded(), c.decoded) << c.content;
  }
}

// Values longer than any real one would make header lines past 998 characters: they are left out.
TEST_F(MailComposerTest, OverlongPartValuesNeverMakeAnOverlongHeaderLine) {
  const std::string huge(2000, 'x');
  mail::BodyPart html{"text/html", huge, huge, "", "", std::string("<p>x</p>"), {}};
  mail::BodyPart odd{"image/" + huge, "", "pic@x", "", "", std::string("bytes"), {}};
  mail::BodyPart fine{"text/plain", "utf-8", "text@x", "", "", std::string("plain"), {}};
  auto message = NewMessage();
  message->SetBodyParts(mail::BodyPart{"multipart/mixed", "", "", "", "", std::nullopt, {html, odd, fine}});
  const std::string text = Render(*message);
  ExpectWellFormedLines(text, false);
  const RenderedMessage read = ReadRendered(text);
  ASSERT_EQ(read.parts.size(), 3u);
  EXPECT_EQ(read.parts[0].Field("Content-Type"), "text/html");
  EXPECT_FALSE(read.parts[0].HasField("Content-ID"));
  EXPECT_EQ(read.parts[1].Field("Content-Type"), "application/octet-stream");
  EXPECT_EQ(read.parts[2].Field("Content-Type"), "text/plain; charset=utf-8");
  EXPECT_EQ(read.parts[2].Field("Content-ID"), "<text@x>");
}

TEST_F(MailComposerTest, RendersTheSameInputToTheSameBytes) {
  const std::string attachment = Extracted("a/report.pdf", std::string(5000, '\x01'));
  auto render = [&] {
    auto message = NewMessage();
    message->SetSender("ann@example.com");
    message->SetSubject("Same");
    message->SetBodyText("body");
    message->AddAttachment(attachment);
    renderings_ = 0;
    return Render(*message);
  };
  EXPECT_EQ(render(), render());
}

TEST_F(MailComposerTest, EndsABodyWithoutFinalLineBreakExactlyAndKeepsEmptyBodies) {
  auto message = NewMessage();
  message->SetBodyText("no final break");
  EXPECT_EQ(ReadRendered(Render(*message)).parts[0].Decoded(), "no final break");
  message->SetBodyText("");
  const std::string empty = Render(*message);
  EXPECT_TRUE(empty.ends_with("quoted-printable\r\n\r\n"));
  EXPECT_EQ(ReadRendered(empty).parts[0].Decoded(), "");
}

TEST_F(MailComposerTest, WritesMostlyNonAsciiBodiesInBase64) {
  auto message = NewMessage();
  message->SetBodyText(Utf8(u8"日本語\n日本"));
  const RenderedMessage read = ReadRendered(Render(*message));
  EXPECT_EQ(read.top.Field("Content-Transfer-Encoding"), "base64");
  EXPECT_EQ(read.parts[0].Decoded(), Utf8(u8"日本語\r\n日本"));
}

TEST_F(MailComposerTest, KeepsAHugeSingleLineBodyWithinTheLineLimits) {
  std::string body;
  for (int i = 0; i < 200000; ++i) body += i % 97 == 0 ? Utf8(u8"é=") : std::string("word ");
  auto message = NewMessage();
  message->SetBodyText(body);
  const std::string text = Render(*message);
  ExpectWellFormedLines(text, true);
  EXPECT_EQ(ReadRendered(text).parts[0].Decoded(), body);
}

TEST_F(MailComposerTest, ReplacesBrokenUtf8InTheBodyAndTheSubject) {
  auto message = NewMessage();
  message->SetSubject("bad \xFF byte");
  message->SetBodyText("bad \xC3 byte");
  const std::string text = Render(*message);
  ExpectWellFormedLines(text, true);
  EXPECT_EQ(ReadRendered(text).parts[0].Decoded(), Utf8(u8"bad \uFFFD byte"));
}

TEST_F(MailComposerTest, WritesAnEmptySenderAsAnEmptyGroupAndNoEmptyFields) {
  auto message = NewMessage();
  message->SetSender("");
  message->AddRecipient(RecipientKind::To, "", "");
  message->AddRecipient(RecipientKind::Cc, ";", ";");
  message->SetSubject("");
  const RenderedMessage read = ReadRendered(Render(*message));
  EXPECT_EQ(read.top.Field("From"), "undisclosed-sender:;");
  for (const char* name : {"To", "Cc", "Bcc", "Subject", "Sender"})
    EXPECT_FALSE(read.top.HasField(name)) << name;
}

TEST_F(MailComposerTest, NamesASenderWhenSeveralAuthorsAreGiven) {
  auto message = NewMessage();
  message->SetSender("Team/Org;ann@example.com;bob@example.com");
  const RenderedMessage read = ReadRendered(Render(*message));
  EXPECT_EQ(read.top.Field("From"),
            "Team/Org <Team.Org@notes.mailshift.invalid>, ann@example.com, bob@example.com");
  EXPECT_EQ(read.top.Field("Sender"), "ann@example.com");
}

TEST_F(MailComposerTest, FoldsLongRecipientListsAndSubjects) {
  std::string to;
  for (int i = 0; i < 40; ++i)
    to += "Person Number " + std::to_string(i) + " <person" + std::to_string(i) + "@example.com>;";
  auto message = NewMessage();
  message->AddRecipient(RecipientKind::To, to, to);
  message->SetSubject(std::string(30, 'x') + " " + Utf8(u8"ünïcödé ") + std::string(200, 'y'));
  const std::string text = Render(*message);
  ExpectWellFormedLines(text, false);
  const auto header = text.substr(0, text.find("\r\n\r\n"));
  for (std::size_t at = 0; at < header.size();) {
    const auto end = header.find("\r\n", at);
    EXPECT_LE((end == std::string::npos ? header.size() : end) - at, 78u);
    at = end == std::string::npos ? header.size() : end + 2;
  }
  EXPECT_NE(ReadRendered(text).top.Field("To").find("Person Number 39 <person39@example.com>"),
            std::string::npos);
}

TEST_F(MailComposerTest, UsesMultipartOnlyWithAttachmentsAndStreamsThemInBase64) {
  std::string binary;
  for (int i = 0; i < 70000; ++i) binary += static_cast<char>((i * 7919) & 0xFF);
  const std::string longName =
      Utf8(u8"Protokoll der Sitzung über die Planung ") + std::string(60, 'n') + ".docx";
  const std::string first = Extracted("one/report.pdf", binary);
  const std::string second = Extracted("two/report.pdf", "second");
  const std::string named = Extracted(Utf8(u8"two/Bericht für März.txt"), "");
  const std::string longFile = Extracted("three/" + longName, "long");
  auto message = NewMessage();
  message->SetBodyText("see attached");
  EXPECT_EQ(message->AddAttachment(first), "report.pdf");
  EXPECT_EQ(message->AddAttachment(second), "report.pdf");
  EXPECT_EQ(message->AddAttachment(named), Utf8(u8"Bericht für März.txt"));
  EXPECT_EQ(message->AddAttachment(longFile), longName);
  // The files are taken in when added: the writer deletes them right after.
  fs::remove(PathFromUtf8(first));
  fs::remove(PathFromUtf8(second));
  WriteFile(PathFromUtf8(second), "another file under the same name");
  fs::remove(PathFromUtf8(named));
  fs::remove(PathFromUtf8(longFile));

  const std::string text = Render(*message);
  ExpectWellFormedLines(text, true);
  const RenderedMessage read = ReadRendered(text);
  EXPECT_EQ(read.top.Field("Content-Type"), "multipart/mixed; boundary=\"=_fixed-boundary\"");
  EXPECT_FALSE(read.top.HasField("Content-Transfer-Encoding"));
  ASSERT_EQ(read.parts.size(), 5u);
  EXPECT_EQ(read.parts[0].Field("Content-Type"), "text/plain; charset=UTF-8");
  EXPECT_EQ(read.parts[0].Decoded(), "see attached");
  EXPECT_EQ(read.parts[1].Decoded(), binary);
  EXPECT_EQ(read.parts[2].Decoded(), "second");
  EXPECT_EQ(read.parts[3].Decoded(), "");
  EXPECT_EQ(read.parts[4].Decoded(), "long");
  for (std::size_t i = 1; i < read.parts.size(); ++i) {
    EXPECT_EQ(read.parts[i].Field("Content-Transfer-Encoding"), "base64");
    EXPECT_TRUE(read.parts[i].Field("Content-Type").starts_with("application/octet-stream;"));
  }
  EXPECT_EQ(read.parts[1].Field("Content-Disposition"), "attachment; filename=\"report.pdf\"");
  EXPECT_EQ(read.parts[2].Field("Content-Type"), "application/octet-stream; name=\"report.pdf\"");
  EXPECT_EQ(read.parts[3].Field("Content-Disposition"),
            "attachment; filename*=UTF-8''Bericht%20f%C3%BCr%20M%C3%A4rz.txt");
  EXPECT_NE(read.parts[4].Field("Content-Disposition").find("filename*1*="), std::string::npos)
      << "a long name in RFC 2231 sections";
}

TEST_F(MailComposerTest, KeepsTheSpoolPrivateAndRemovesEachMessagesFilesWithIt) {
  auto first = NewMessage();
  auto second = NewMessage();
  // Each message's last attachment goes to the spool.
  for (std::size_t i = 0; i <= kHeldOpen; ++i) {
    first->AddAttachment(Extracted("a/" + std::to_string(i), "a"));
    second->AddAttachment(Extracted("b/" + std::to_string(i), "b"));
  }
  ASSERT_EQ(std::distance(fs::directory_iterator(Spools()), fs::directory_iterator()), 1);
  const fs::path spool = fs::directory_iterator(Spools())->path();
#ifndef _WIN32
  EXPECT_EQ(fs::status(spool).permissions(), fs::perms::owner_all);
#endif
  const auto filesInSpool = [&] {
    return std::distance(fs::directory_iterator(spool), fs::directory_iterator());
  };
  EXPECT_EQ(filesInSpool(), 2);
  first.reset();
  EXPECT_EQ(filesInSpool(), 1);
  component_.reset();  // the folder stays while a message still uses it
  EXPECT_EQ(filesInSpool(), 1);
  second.reset();
  EXPECT_TRUE(fs::is_empty(Spools()));
}

#ifndef _WIN32
TEST_F(MailComposerTest, TakesInTheFileASymbolicLinkNamesNotTheLink) {
  const std::string target = Extracted("real/data.bin", "the linked content");
  const fs::path link = folder_ / "link.bin";
  fs::create_symlink(PathFromUtf8(target), link);
  auto message = NewMessage();
  EXPECT_EQ(message->AddAttachment(Utf8FromPath(link)), "link.bin");
  fs::remove(PathFromUtf8(target));
  fs::remove(link);
  EXPECT_EQ(ReadRendered(Render(*message)).parts.at(1).Decoded(), "the linked content");
}
#endif

#ifndef _WIN32
TEST_F(MailComposerTest, TakesFilesInWhenNoMoreFilesCanBeOpened) {
  std::vector<std::string> contents;
  std::vector<std::string> paths;
  for (int i = 0; i < 8; ++i) {
    contents.push_back("content " + std::to_string(i));
    paths.push_back(Extracted("limit/" + std::to_string(i), contents.back()));
  }
  auto message = NewMessage();
  rlimit previous{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &previous), 0);
  const auto open = std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator());
  rlimit tight = previous;
  tight.rlim_cur = static_cast<rlim_t>(open + 2);  // the first files are held, the rest are not
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);
  for (const std::string& path : paths) EXPECT_NO_THROW(message->AddAttachment(path));
  setrlimit(RLIMIT_NOFILE, &previous);
  for (const std::string& path : paths) fs::remove(PathFromUtf8(path));

  const RenderedMessage read = ReadRendered(Render(*message));
  ASSERT_EQ(read.parts.size(), paths.size() + 1);
  for (std::size_t i = 0; i < paths.size(); ++i) EXPECT_EQ(read.parts[i + 1].Decoded(), contents[i]) << i;
}
#endif

TEST_F(MailComposerTest, RefusesWhatIsNoReadableFileAndGoesOnWithoutIt) {
  auto message = NewMessage();
  EXPECT_THROW(message->AddAttachment(Utf8FromPath(folder_ / "missing.txt")), EmailError);
  EXPECT_THROW(message->AddAttachment(Utf8FromPath(folder_)), EmailError);
  EXPECT_THROW(message->AddAttachment(""), EmailError);
  const RenderedMessage read = ReadRendered(Render(*message));
  EXPECT_EQ(read.parts.size(), 1u);
  EXPECT_FALSE(read.top.Field("Content-Type").starts_with("multipart"));
}

TEST_F(MailComposerTest, ReportsASpooledFileThatVanishedBeforeRendering) {
  auto message = NewMessage();
  for (std::size_t i = 0; i <= kHeldOpen; ++i)
    message->AddAttachment(Extracted("a/" + std::to_string(i), "a"));
  for (const auto& spool : fs::directory_iterator(Spools())) {
    for (const auto& file : fs::directory_iterator(spool)) fs::remove(file.path());
  }
  ScratchFile file = NewScratchFile();
  EXPECT_THROW(component_->CreateRenderer()->Render(*message, file.get()), EmailError);
}

TEST_F(MailComposerTest, KeepsTheCreationTimeWithoutADateAndRefusesDatesItCannotCarry) {
  auto message = component_->CreateMessage();
  EXPECT_THROW(message->SetDate({-5000000000, 0}), EmailError);
  EXPECT_THROW(message->SetDate({300000000000, 0}), EmailError);
  EXPECT_EQ(ReadRendered(Render(*message)).top.Field("Date"), "Sat, 08 Sep 2001 23:46:40 -0200");
}

TEST_F(MailComposerTest, GivesEveryRenderingItsOwnRandomIdentityByDefault) {
  auto component = CreateMailComposer({Utf8FromPath(Spools()), {}, {}, {}});
  auto message = component->CreateMessage();
  message->AddAttachment(Extracted("x.bin", "x"));
  std::set<std::string> ids;
  std::set<std::string> boundaries;
  for (int i = 0; i < 20; ++i) {
    ScratchFile file = NewScratchFile();
    component->CreateRenderer()->Render(*message, file.get());
    const RenderedMessage read = ReadRendered(ReadAll(file.get()) + "\r\n");
    ids.insert(read.top.Field("Message-ID"));
    boundaries.insert(read.top.Field("Content-Type"));
    EXPECT_EQ(read.parts.size(), 2u);
  }
  EXPECT_EQ(ids.size(), 20u);
  EXPECT_EQ(boundaries.size(), 20u);
  for (const std::string& id : ids) EXPECT_EQ(id.find_first_of(" \t"), std::string::npos) << id;
}

}  // namespace
}  // namespace mailshift::platform
