#include <fcntl.h>
#include <gmime/gmime.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "common/DateText.h"
#include "platform/mime/AttachmentSpool.h"
#include "platform/mime/MailComposer.h"
#include "platform/mime/tests/GMimeReading.h"
#include "platform/mime/tests/TestFiles.h"

namespace mailshift::platform {
namespace {

namespace fs = std::filesystem;
using mail::EmailError;
using mail::EmailMessage;
using mail::RecipientKind;
using mailshift::platform::testing::ReadAll;
using mailshift::platform::testing::WriteFile;

// A message parsed back by GMime.
struct Parsed {
  GObjectPtr<GMimeMessage> message;
  std::vector<GMimeObject*> parts;  // the leaves, body first
};

Parsed Parse(const std::string& text) {
  GObjectPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(text.data(), text.size()));
  GObjectPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
  Parsed parsed{GObjectPtr<GMimeMessage>(g_mime_parser_construct_message(parser.get(), nullptr)), {}};
  if (parsed.message == nullptr) return parsed;
  GMimeObject* top = g_mime_message_get_mime_part(parsed.message.get());
  if (GMIME_IS_MULTIPART(top)) {
    for (int i = 0; i < g_mime_multipart_get_count(GMIME_MULTIPART(top)); ++i) {
      parsed.parts.push_back(g_mime_multipart_get_part(GMIME_MULTIPART(top), i));
    }
  } else {
    parsed.parts.push_back(top);
  }
  return parsed;
}

std::string Content(GMimeObject* part) {
  GObjectPtr<GMimeStream> memory(g_mime_stream_mem_new());
  g_mime_data_wrapper_write_to_stream(g_mime_part_get_content(GMIME_PART(part)), memory.get());
  GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(memory.get()));
  return std::string(reinterpret_cast<const char*>(bytes->data), bytes->len);
}

class GMimeParseBackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "composer-gmime-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    fs::create_directory(Spools());
    EnsureGMimeInitialised();
    component_ = CreateMailComposer({Spools().string(), {}, {}, {}});
  }
  void TearDown() override { fs::remove_all(folder_); }

  fs::path Spools() const { return folder_ / "spools"; }

  std::string Extracted(const std::string& name, const std::string& content) {
    const fs::path path = folder_ / name;
    fs::create_directories(path.parent_path());
    WriteFile(path, content);
    return path.string();
  }

  std::unique_ptr<EmailMessage> NewMessage() {
    auto message = component_->CreateMessage();
    message->SetDate({1225895400, 90});
    return message;
  }

  std::string Render(EmailMessage& message) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::tmpfile(), std::fclose);
    component_->CreateRenderer()->Render(message, file.get());
    return ReadAll(file.get());
  }

  static std::string Header(const std::string& text, const std::string& name) {
    const auto headerEnd = text.find("\r\n\r\n");
    std::istringstream lines(text.substr(0, headerEnd));
    std::string value;
    bool inField = false;
    for (std::string line; std::getline(lines, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (inField && !line.empty() && line[0] == ' ') {
        value += line;
      } else {
        inField = line.starts_with(name + ": ");
        if (inField)
          value = line.substr(name.size() + 2);
        else if (!value.empty())
          break;
      }
    }
    return value;
  }

  fs::path folder_;
  std::unique_ptr<mail::EmailComponent> component_;
};

TEST_F(GMimeParseBackTest, WritesASinglePartMessageWithCrLfAndSevenBitText) {
  auto message = NewMessage();
  message->SetSender("Ann Lee <ann@example.com>");
  message->AddRecipient(RecipientKind::To, "bob@example.com;Bob Ray/Org", "bob@example.com;Bob Ray/Org");
  message->SetSubject(
      "Gr\xC3\xBC\xC3\x9F"
      "e");
  message->SetBodyText("Line one\nLine two \xE2\x82\xAC\r\n");
  const std::string text = Render(*message);

  EXPECT_TRUE(std::all_of(text.begin(), text.end(), [](char c) { return c > 0 && c < 0x7F; }));
  EXPECT_FALSE(std::regex_search(text, std::regex("[^\r]\n|\r[^\n]"))) << "bare CR or LF";
  EXPECT_FALSE(text.ends_with("\r\n")) << "the caller ends the last line";
  EXPECT_EQ(Header(text, "From"), "Ann Lee <ann@example.com>");
  EXPECT_EQ(Header(text, "To"), "bob@example.com, Bob Ray/Org <Bob.Ray.Org@notes.mailshift.invalid>");
  EXPECT_EQ(Header(text, "Date"), "Wed, 05 Nov 2008 16:00:00 +0130");
  EXPECT_EQ(Header(text, "MIME-Version"), "1.0");
  EXPECT_TRUE(std::regex_match(Header(text, "Message-ID"), std::regex("<[^<>@ ]+@[^<>@ ]+>")));
  EXPECT_EQ(Header(text, "Content-Type"), "text/plain; charset=UTF-8");
  EXPECT_EQ(Header(text, "Content-Transfer-Encoding"), "quoted-printable");

  const Parsed parsed = Parse(text + "\r\n");
  ASSERT_EQ(parsed.parts.size(), 1u);
  EXPECT_EQ(Content(parsed.parts[0]), "Line one\r\nLine two \xE2\x82\xAC\r\n");
  EXPECT_STREQ(g_mime_message_get_subject(parsed.message.get()),
               "Gr\xC3\xBC\xC3\x9F"
               "e");
}

// A subject is cleaned as names are: what a parser decodes holds no line break to start a field
// of its own, in plain ASCII or as encoded words.
TEST_F(GMimeParseBackTest, ASubjectDecodesToOneLine) {
  const std::pair<const char*, const char*> subjects[] = {
      {"Invoice 4411\r\nBcc: all@corp.example", "Invoice 4411  Bcc: all@corp.example"},
      {"Gr\xC3\xBC\xC3\x9F" "e\r\nBcc: all@corp.example", "Gr\xC3\xBC\xC3\x9F" "e  Bcc: all@corp.example"},
      {"one\ntwo\rthree\tfour", "one two three four"},
  };
  for (const auto& [subject, shown] : subjects) {
    auto message = NewMessage();
    message->SetSender("ann@example.com");
    message->SetSubject(subject);
    const Parsed parsed = Parse(Render(*message) + "\r\n");
    ASSERT_NE(parsed.message, nullptr);
    EXPECT_STREQ(g_mime_message_get_subject(parsed.message.get()), shown) << subject;
    EXPECT_EQ(g_mime_object_get_header(GMIME_OBJECT(parsed.message.get()), "Bcc"), nullptr);
  }
}

TEST_F(GMimeParseBackTest, EndsABodyWithoutFinalLineBreakExactly) {
  auto message = NewMessage();
  message->SetBodyText("no final break");
  const Parsed parsed = Parse(Render(*message) + "\r\n");
  EXPECT_EQ(Content(parsed.parts[0]), "no final break");
}

TEST_F(GMimeParseBackTest, WritesMostlyNonAsciiBodiesInBase64) {
  auto message = NewMessage();
  const std::string body = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\n\xE6\x97\xA5\xE6\x9C\xAC";
  message->SetBodyText(body);
  const std::string text = Render(*message);
  EXPECT_EQ(Header(text, "Content-Transfer-Encoding"), "base64");
  EXPECT_EQ(Content(Parse(text + "\r\n").parts[0]),
            "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\r\n\xE6\x97\xA5\xE6\x9C\xAC");
}

TEST_F(GMimeParseBackTest, WritesAnEmptySenderAsAnEmptyGroupAndNoEmptyRecipientFields) {
  auto message = NewMessage();
  message->SetSender("");
  message->AddRecipient(RecipientKind::To, "", "");
  message->AddRecipient(RecipientKind::Cc, ";", ";");
  const std::string text = Render(*message);
  EXPECT_EQ(Header(text, "From"), "undisclosed-sender:;");
  EXPECT_EQ(text.find("\r\nTo:"), std::string::npos);
  EXPECT_EQ(text.find("\r\nCc:"), std::string::npos);
  EXPECT_EQ(text.find("\r\nSubject:"), std::string::npos);
}

TEST_F(GMimeParseBackTest, NamesASenderWhenSeveralAuthorsAreGiven) {
  auto message = NewMessage();
  message->SetSender("Team/Org;ann@example.com;bob@example.com");
  const std::string text = Render(*message);
  EXPECT_EQ(Header(text, "From"),
            "Team/Org <Team.Org@notes.mailshift.invalid>, ann@example.com, bob@example.com");
  EXPECT_EQ(Header(text, "Sender"), "ann@example.com");
}

TEST_F(GMimeParseBackTest, UsesASeparateDisplayNameOnlyForALoneAddress) {
  auto message = NewMessage();
  message->AddRecipient(RecipientKind::Cc, "Ann Lee", "ann@example.com");
  message->AddRecipient(RecipientKind::Bcc, "ignored", "a@example.com;b@example.com");
  const std::string text = Render(*message);
  EXPECT_EQ(Header(text, "Cc"), "Ann Lee <ann@example.com>");
  EXPECT_EQ(Header(text, "Bcc"), "a@example.com, b@example.com");
}

TEST_F(GMimeParseBackTest, DatesUseEnglishNamesWhateverTheLocale) {
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  std::setlocale(LC_ALL, "de_DE.UTF-8");
  auto message = NewMessage();
  const std::string text = Render(*message);
  std::setlocale(LC_ALL, previous.c_str());
  EXPECT_EQ(Header(text, "Date"), "Wed, 05 Nov 2008 16:00:00 +0130");
}

TEST_F(GMimeParseBackTest, WritesADateWithAnImpossibleOffsetInUtc) {
  auto message = NewMessage();
  message->SetDate({1225895400, INT32_MAX});
  EXPECT_EQ(Header(Render(*message), "Date"), "Wed, 05 Nov 2008 14:30:00 +0000");
}

TEST_F(GMimeParseBackTest, KeepsTheCreationTimeWithoutADateAndRefusesDatesItCannotCarry) {
  const DateTime before = Now();
  auto message = component_->CreateMessage();
  EXPECT_THROW(message->SetDate({-5000000000, 0}), EmailError);
  EXPECT_THROW(message->SetDate({300000000000, 0}), EmailError);
  const std::string text = Render(*message);
  const Parsed parsed = Parse(text + "\r\n");
  GDateTime* date = g_mime_message_get_date(parsed.message.get());
  ASSERT_NE(date, nullptr);
  EXPECT_NEAR(static_cast<double>(g_date_time_to_unix(date)), static_cast<double>(before.secondsSinceEpoch),
              5.0);
}

TEST_F(GMimeParseBackTest, TakesAttachmentsInAtOnceAndStreamsThemWhenRendering) {
  std::string binary;
  for (int i = 0; i < 70000; ++i) binary += static_cast<char>((i * 7919) & 0xFF);
  const std::string first = Extracted("one/report.pdf", binary);
  const std::string second = Extracted("two/report.pdf", "second");
  const std::string named = Extracted("two/Bericht f\xC3\xBCr M\xC3\xA4rz.txt", "");
  auto message = NewMessage();
  message->SetBodyText("see attached");
  EXPECT_EQ(message->AddAttachment(first), "report.pdf");
  message->AddAttachment(second);
  message->AddAttachment(named);
  fs::remove(first);
  fs::remove(second);
  WriteFile(second, "another file under the same name");
  fs::remove(named);

  const std::string text = Render(*message);
  EXPECT_TRUE(Header(text, "Content-Type").starts_with("multipart/mixed; boundary="))
      << Header(text, "Content-Type");
  const Parsed parsed = Parse(text + "\r\n");
  ASSERT_EQ(parsed.parts.size(), 4u);
  EXPECT_EQ(Content(parsed.parts[0]), "see attached");
  EXPECT_EQ(Content(parsed.parts[1]), binary);
  EXPECT_EQ(Content(parsed.parts[2]), "second");
  EXPECT_EQ(Content(parsed.parts[3]), "");
  EXPECT_STREQ(g_mime_part_get_filename(GMIME_PART(parsed.parts[1])), "report.pdf");
  EXPECT_STREQ(g_mime_part_get_filename(GMIME_PART(parsed.parts[3])), "Bericht f\xC3\xBCr M\xC3\xA4rz.txt");
  EXPECT_EQ(g_mime_part_get_content_encoding(GMIME_PART(parsed.parts[1])), GMIME_CONTENT_ENCODING_BASE64);
}

TEST_F(GMimeParseBackTest, KeepsTheSpoolPrivateAndRemovesEachMessagesFilesWithIt) {
  auto first = NewMessage();
  auto second = NewMessage();
  // Each message's last attachment goes to the spool; the ones before it are held open.
  for (std::size_t i = 0; i <= AttachmentSpool::kMostHeldOpen; ++i) {
    first->AddAttachment(Extracted("a/" + std::to_string(i), "a"));
    second->AddAttachment(Extracted("b/" + std::to_string(i), "b"));
  }
  const auto spools = std::vector<fs::path>{fs::directory_iterator(Spools())->path()};
  EXPECT_EQ(std::distance(fs::directory_iterator(Spools()), fs::directory_iterator()), 1);
  struct stat status {};
  ASSERT_EQ(stat(spools[0].c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0700u);
  const auto filesInSpool = [&] {
    return std::distance(fs::directory_iterator(spools[0]), fs::directory_iterator());
  };
  EXPECT_EQ(filesInSpool(), 2);
  first.reset();
  EXPECT_EQ(filesInSpool(), 1);
  component_.reset();  // the folder stays while a message still uses it
  EXPECT_EQ(filesInSpool(), 1);
  second.reset();
  EXPECT_TRUE(fs::is_empty(Spools()));
}

TEST_F(GMimeParseBackTest, CopiesAttachmentsFromAnotherFileSystem) {
  struct stat spool {};
  struct stat shm {};
  if (stat(Spools().c_str(), &spool) != 0 || stat("/dev/shm", &shm) != 0 || spool.st_dev == shm.st_dev) {
    GTEST_SKIP() << "needs /dev/shm on a file system of its own";
  }
  const std::string source = "/dev/shm/mailshift-attachment-" + std::to_string(getpid());
  const std::string content(3 * 256 * 1024 + 17, 'c');
  WriteFile(source, content);
  auto message = NewMessage();
  message->AddAttachment(source);
  fs::remove(source);
  EXPECT_EQ(Content(Parse(Render(*message) + "\r\n").parts[1]), content);
}

TEST_F(GMimeParseBackTest, RefusesWhatIsNoReadableRegularFile) {
  auto message = NewMessage();
  EXPECT_THROW(message->AddAttachment((folder_ / "missing.txt").string()), EmailError);
  EXPECT_THROW(message->AddAttachment(folder_.string()), EmailError);
  EXPECT_THROW(message->AddAttachment(""), EmailError);
  const fs::path fifo = folder_ / "fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_THROW(message->AddAttachment(fifo.string()), EmailError);  // and does not block
  EXPECT_EQ(Parse(Render(*message) + "\r\n").parts.size(), 1u);
}

TEST_F(GMimeParseBackTest, ReportsASpooledFileThatVanishedBeforeRendering) {
  auto message = NewMessage();
  // The files a message holds open stay readable; the one after them is spooled.
  for (std::size_t i = 0; i <= AttachmentSpool::kMostHeldOpen; ++i)
    message->AddAttachment(Extracted("a/" + std::to_string(i), "a"));
  for (const auto& spool : fs::directory_iterator(Spools())) {
    for (const auto& file : fs::directory_iterator(spool)) fs::remove(file.path());
  }
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::tmpfile(), std::fclose);
  EXPECT_THROW(component_->CreateRenderer()->Render(*message, file.get()), EmailError);
}

TEST_F(GMimeParseBackTest, HoldsOneDescriptorAtATimeForAnyNumberOfAttachments) {
  auto message = NewMessage();
  for (int i = 0; i < 200; ++i)
    message->AddAttachment(Extracted("many/" + std::to_string(i), std::to_string(i)));
  rlimit previous{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &previous), 0);
  const auto open = std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator());
  rlimit tight = previous;
  tight.rlim_cur = static_cast<rlim_t>(open + 16);
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);
  std::string text;
  EXPECT_NO_THROW(text = Render(*message));
  setrlimit(RLIMIT_NOFILE, &previous);
  const Parsed parsed = Parse(text + "\r\n");
  ASSERT_EQ(parsed.parts.size(), 201u);
  EXPECT_EQ(Content(parsed.parts[200]), "199");
}

TEST_F(GMimeParseBackTest, RendersIntoAStreamThatCannotSeek) {
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  std::string received;
  std::thread reader([&] {
    char buffer[4096];
    for (ssize_t count; (count = read(ends[0], buffer, sizeof buffer)) > 0;) received.append(buffer, count);
    close(ends[0]);
  });
  auto message = NewMessage();
  message->SetBodyText(std::string(100000, 'p'));
  std::FILE* pipeFile = fdopen(ends[1], "w");
  EXPECT_NO_THROW(component_->CreateRenderer()->Render(*message, pipeFile));
  std::fclose(pipeFile);
  reader.join();
  EXPECT_EQ(Content(Parse(received + "\r\n").parts[0]), std::string(100000, 'p'));
}

}  // namespace
}  // namespace mailshift::platform
