// Renders a fixed, varied set of messages and compares every byte with the renderings kept in
// golden/varied-messages.txt, so that a change meant to leave the output alone (a faster
// encoder, say) cannot change it unnoticed. When the output is meant to change, the test leaves
// the new renderings beside the kept ones (varied-messages.actual.txt in the test's folder):
// check them and copy them over tests/golden/varied-messages.txt.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "platform/mime/InternetMessage.h"
#include "platform/mime/tests/TestFiles.h"

namespace mailshift::platform {
namespace {

namespace fs = std::filesystem;
using mailshift::platform::testing::ReadFile;

// The kept renderings, copied beside the test program; ctest runs it in that folder.
const fs::path kGolden = fs::path("golden") / "varied-messages.txt";
const fs::path kActual = fs::path("golden") / "varied-messages.actual.txt";

// Pieces of text that the encoders treat each in their own way.
const std::string kLongWord(80, 'x');  // longer than a line
const std::string kNul(1, '\0');
const std::vector<std::string> kAsciiPieces = {
    "Hello", "figures", "a",   "Q2", " ",  " ",  "  ", "\t",      ".",  "..",   "From ", "=",
    "=?",    "?=",      "=3D", "_",  "\"", "\\", "<",  ">",       ",",  ";",    ":",     "@",
    "(",     ")",       "?",   "*",  "%",  "'",  "~",  kLongWord, kNul, "\x07", "\x1B",  "\x7F"};
const std::vector<std::string> kLineBreaks = {"\n", "\r\n", "\r", "\r\r\n", "\n\n", " \n", "\t\r\n", "=\n"};
const std::vector<std::string> kUtf8Pieces = {"\xC3\xBC",     "\xC3\x9F",         "\xE2\x82\xAC",
                                              "\xE6\x97\xA5", "\xF0\x9F\x93\xA7", "\xD0\x9F\xD1\x80\xD0\xBE",
                                              "\xC2\xA0",     "\xEF\xBB\xBF",     "\xEF\xBF\xBD"};
// Bytes that are no UTF-8: cut sequences, overlong forms, surrogates, beyond U+10FFFF.
const std::vector<std::string> kBrokenPieces = {"\x80",         "\xBF",         "\xC3",
                                                "\xE2\x82",     "\xF0\x9F\x93", "\xC0\xAF",
                                                "\xE0\x80\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80",
                                                "\xF5",         "\xFF"};
const std::vector<std::string> kAddresses = {"ann@example.com", "bob.ray@mail.example.org",
                                             "\"odd local\"@example.com", "x@[192.0.2.1]"};

// A fixed sequence of choices, the same on every platform (the standard library's distributions
// are not); only small bounds are asked for, so the modulo bias does not matter.
class Pieces {
 public:
  explicit Pieces(std::uint32_t seed) : state_(seed) {}

  std::size_t Below(std::size_t bound) {
    state_ = state_ * 1103515245u + 12345u;
    return (state_ >> 8) % bound;
  }

  // Text of `count` pieces; `lineBreaks`, `utf8` and `broken` weigh those kinds against ASCII.
  std::string Text(std::size_t count, std::size_t lineBreaks, std::size_t utf8, std::size_t broken) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t kind = Below(10 + lineBreaks + utf8 + broken);
      const std::vector<std::string>& from = kind < 10                       ? kAsciiPieces
                                             : kind < 10 + lineBreaks        ? kLineBreaks
                                             : kind < 10 + lineBreaks + utf8 ? kUtf8Pieces
                                                                             : kBrokenPieces;
      text += from[Below(from.size())];
    }
    return text;
  }

  std::vector<Recipient> Recipients(std::size_t count) {
    std::vector<Recipient> recipients;
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t form = Below(4);
      const std::string name = form == 1 ? "" : Text(1 + Below(8), 0, Below(6), Below(2));
      recipients.push_back({name, form == 0 ? "" : kAddresses[Below(kAddresses.size())]});
    }
    return recipients;
  }

  std::string Bytes(std::size_t size) {
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(Below(256));
    return bytes;
  }

 private:
  std::uint32_t state_;
};

struct GoldenMessage {
  MessageContent content;
  std::vector<std::string> attachmentBytes;
};

// Messages written by hand for the edges of line lengths and fields.
std::vector<GoldenMessage> HandwrittenMessages() {
  const auto simple = [](std::string subject, std::string body) {
    GoldenMessage message;
    message.content.from = {{"Ann Lee", "ann@example.com"}};
    message.content.to = {{"Bob Ray/Org", ""}};
    message.content.subject = std::move(subject);
    message.content.body = std::move(body);
    message.content.date = {1225895400, 60};
    return message;
  };
  std::vector<GoldenMessage> messages;
  const auto add = [&](std::string subject, std::string body) { messages.push_back(simple(subject, body)); };
  // Lines around the quoted-printable limit of 76, ending in blanks, escapes and line breaks.
  std::string edges;
  for (std::size_t length = 70; length <= 80; ++length) {
    for (const char* end : {"", " ", "\t", "=", "\xC3\xBC", " \xC3\xBC"}) {
      for (const char* lineBreak : {"\r\n", "\n", "\r"}) edges += std::string(length, 'e') + end + lineBreak;
    }
  }
  add("Line edges", edges);
  add("", "");
  add(" ", " ");
  add("No final break", "last line without a break ");
  add("Dots and From", ".\r\n..\r\nFrom here\r\n>From there\r\n.\r\n");
  add(std::string(300, 's'), std::string(5000, 'l'));
  add("Mostly \xE6\x97\xA5\xE6\x9C\xAC",
      "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\n\xE6\x97\xA5\xE6\x9C\xAC\r\n\r lone CR \xFF\xFE");
  add("Just over one byte in five", std::string(7, 'a') + "\xC3\xBC");
  add("Just one byte in five", std::string(8, 'a') + "\xC3\xBC");
  // Long enough for any buffer or piece the encoders work in.
  Pieces pieces(7);
  add("Long", pieces.Text(4000, 0, 2, 0) + "\r\n" + pieces.Text(4000, 3, 2, 0) + " \r\n");

  GoldenMessage empty = simple("", "");
  empty.content.from.clear();
  empty.content.to = {{"", ""}, {"", ""}};
  empty.content.date = {-2208988800, -330};
  messages.push_back(empty);

  GoldenMessage many = simple("Many recipients", "body");
  for (int i = 0; i < 30; ++i)
    many.content.cc.push_back({"Person " + std::to_string(i), "p" + std::to_string(i) + "@example.com"});
  many.content.from = {{"Team/Org", ""}, {"", "ann@example.com"}, {"Bob", "bob@example.com"}};
  many.content.bcc = {{std::string(950, 'n'), "long@example.com"},
                      {std::string(400, '\xE2') + "\x82\xAC", "euro@example.com"}};
  many.content.universalId = "0123456789ABCDEF0123456789abcdef";
  many.content.date = {253402300799, -1440};
  messages.push_back(many);

  GoldenMessage attached = simple("Attachments", "see attached");
  for (const char* name : {"report.pdf", "", " spaced ", "Bericht f\xC3\xBCr M\xC3\xA4rz.txt",
                           "\xD0\x9F\xD1\x80\xD0\xBE\xD1\x82\xD0\xBE\xD0\xBA\xD0\xBE\xD0\xBB "
                           "with a long name that takes RFC 2231 sections to write.docx",
                           "quote\"back\\slash.txt", "=?UTF-8?Q?x?=.txt", "bad \xFF byte.bin"}) {
    attached.content.attachments.push_back({name, {}});
  }
  for (std::size_t size : {0u, 1u, 2u, 3u, 56u, 57u, 58u, 1000u}) {
    std::string bytes;
    for (std::size_t i = 0; i < size; ++i) bytes += static_cast<char>((i * 7919 + size) & 0xFF);
    attached.attachmentBytes.push_back(bytes);
  }
  messages.push_back(attached);
  return messages;
}

// Messages of random pieces: plain, mixed and mostly non-ASCII, some with attachments.
std::vector<GoldenMessage> GeneratedMessages(std::size_t count) {
  Pieces pieces(20240611);
  std::vector<GoldenMessage> messages(count);
  for (std::size_t i = 0; i < count; ++i) {
    MessageContent& content = messages[i].content;
    const std::size_t utf8 = i % 3 == 0 ? 0 : i % 3 == 1 ? 3 : 40;
    const std::size_t broken = i % 4 == 0 ? 1 : 0;
    content.from = pieces.Recipients(pieces.Below(3));
    content.to = pieces.Recipients(pieces.Below(6));
    content.cc = pieces.Recipients(pieces.Below(3));
    content.bcc = pieces.Recipients(pieces.Below(2));
    content.subject = pieces.Text(pieces.Below(30), 1, utf8, broken);
    content.body = pieces.Text(pieces.Below(400), 4, utf8, broken);
    content.date = {static_cast<std::int64_t>(pieces.Below(1u << 23)) * 300,
                    static_cast<std::int32_t>(pieces.Below(49)) * 30 - 720};
    if (i % 5 == 0) content.universalId = "00000000000000000000000000000" + std::to_string(100 + i);
    for (std::size_t a = i % 4 == 3 ? 1 + pieces.Below(2) : 0; a > 0; --a) {
      content.attachments.push_back({pieces.Text(1 + pieces.Below(12), 0, utf8, broken), {}});
      messages[i].attachmentBytes.push_back(pieces.Bytes(pieces.Below(400)));
    }
  }
  return messages;
}

class GoldenMessagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device device;
    folder_ = fs::temp_directory_path() / ("composer-golden-" + std::to_string(device()));
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  // The message as the message writer stores it: the rendering and the final line end.
  std::string Render(GoldenMessage& message) {
    for (std::size_t i = 0; i < message.content.attachments.size(); ++i) {
      const fs::path path = folder_ / ("attachment-" + std::to_string(++files_));
      std::ofstream(path, std::ios::binary) << message.attachmentBytes[i];
      message.content.attachments[i].spooledPath = path;
    }
    const fs::path path = folder_ / "rendered.eml";
#ifdef _WIN32
    std::FILE* file = _wfopen(path.c_str(), L"wb");
#else
    std::FILE* file = std::fopen(path.c_str(), "wb");
#endif
    EXPECT_NE(file, nullptr);
    if (file == nullptr) return "";
    WriteInternetMessage(message.content, {"<golden@example.test>", "=_golden-boundary"}, file);
    std::fputs("\r\n", file);
    std::fclose(file);
    return ReadFile(path);
  }

  fs::path folder_;
  int files_ = 0;
};

TEST_F(GoldenMessagesTest, RendersTheKeptBytes) {
  std::vector<GoldenMessage> messages = HandwrittenMessages();
  for (GoldenMessage& message : GeneratedMessages(90)) messages.push_back(std::move(message));
  std::string rendered;
  for (std::size_t i = 0; i < messages.size(); ++i)
    rendered += "==== message " + std::to_string(i + 1) + " ====\r\n" + Render(messages[i]);

  ASSERT_TRUE(fs::exists(kGolden)) << fs::absolute(kGolden).string() << " is missing";
  const std::string golden = ReadFile(kGolden);
  if (rendered == golden) {
    std::error_code ignored;
    fs::remove(kActual, ignored);
    return;
  }
  std::ofstream(kActual, std::ios::binary) << rendered;
  std::size_t at = 0;
  while (at < rendered.size() && at < golden.size() && rendered[at] == golden[at]) ++at;
  const std::size_t lineStart = golden.rfind('\n', at) == std::string::npos ? 0 : golden.rfind('\n', at) + 1;
  ADD_FAILURE() << "the renderings differ from the kept ones at byte " << at << ", in the line\n  "
                << golden.substr(lineStart, golden.find('\r', at) - lineStart) << "\nnow\n  "
                << rendered.substr(lineStart, rendered.find('\r', at) - lineStart)
                << "\nall of them: " << fs::absolute(kActual).string();
}

}  // namespace
}  // namespace mailshift::platform
