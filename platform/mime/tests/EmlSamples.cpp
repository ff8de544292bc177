// Writes a set of varied messages through CreateEmailItem and the composer, and a manifest
// of what went into each, for an independent parser to compare (export/tests/check_eml.py).
//
//   eml_samples OUTPUT_FOLDER
#include <sys/stat.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <vector>

#include "common/DateText.h"
#include "common/Global.h"
#include "export/MessageWriter.h"
#include "platform/mime/MailComposer.h"
#include "platform/mime/tests/EmlManifest.h"
#include "platform/mime/tests/TestFiles.h"

namespace {

using nlohmann::json;
namespace fs = std::filesystem;
using mailshift::platform::testing::WriteFile;
using namespace mailshift::manifest;

struct AttachmentInput {
  std::string folder;  // under the extraction folder
  std::string name;
  std::string content;
};

struct Sample {
  std::string label;
  std::string folder = "Inbox";
  std::string from;
  std::vector<Expected> expectedFrom;
  std::string subject;
  std::string to, cc, bcc;
  std::vector<Expected> expectedTo, expectedCc, expectedBcc;
  enum class DateKind { Text, Empty, Unreadable } dateKind = DateKind::Text;
  std::int64_t when = 0;  // for DateKind::Text
  std::string body;
  std::vector<AttachmentInput> attachments;
};

std::string AllByteValues() {
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
  return bytes;
}

std::string Repeat(const std::string& text, int times) {
  std::string result;
  for (int i = 0; i < times; ++i) result += text;
  return result;
}

std::vector<Sample> Samples() {
  std::vector<Sample> samples;
  {
    Sample s;
    s.label = "the example of the writer: subject cleaned for the file name only";
    s.from = "ann@example.com";
    s.expectedFrom = {{"", "ann@example.com"}};
    s.subject = "Re: Q1/Q2 report?";
    s.to = "ann@example.com;Bob Ray/Org";
    s.expectedTo = {{"", "ann@example.com"}, {"Bob Ray/Org", ""}};
    s.when = 1225895400;
    s.body = "Hello,\r\n\r\nthe report is attached.\r\n";
    samples.push_back(s);
  }
  {
    Sample s;
    s.label = "non-ASCII names, subject and body";
    s.from = "\"Jürgen Müller\" <juergen@example.de>";
    s.expectedFrom = {{"Jürgen Müller", "juergen@example.de"}};
    s.subject = "Grüße aus München – 日本語の件名 ✓";
    s.to = "Zoë Ångström <zoe@example.com>;CN=Jürgen Ökü/O=Org;  ;;x@y.z;<bare@example.org>";
    s.expectedTo = {{"Zoë Ångström", "zoe@example.com"},
                    {"CN=Jürgen Ökü/O=Org", ""},
                    {"", "x@y.z"},
                    {"", "bare@example.org"}};
    s.cc = "Lee, Ann <ann@example.com>;\"Smith, J.\" <\"j smith\"@example.com>";
    s.expectedCc = {{"Lee, Ann", "ann@example.com"}, {"Smith, J.", "\"j smith\"@example.com"}};
    s.bcc = "hidden@example.com;Büro/Sales/Acme";
    s.expectedBcc = {{"", "hidden@example.com"}, {"Büro/Sales/Acme", ""}};
    s.when = 1277985600;  // summer time
    s.body = "Grüße,\r\n" + Repeat("Straße ", 40) + "\r\nEnde";
    samples.push_back(s);
  }
  {
    Sample s;
    s.label = "attachments: same name from two folders, binary, empty, non-ASCII and hostile names";
    s.from = "Bob Ray/Org";
    s.expectedFrom = {{"Bob Ray/Org", ""}};
    s.subject = "Files";
    s.to = "ann@example.com";
    s.expectedTo = {{"", "ann@example.com"}};
    s.when = 1233360000;  // midnight UTC
    s.body = "See the files.";
    s.attachments = {
        {"one", "report.pdf", "first report"},
        {"two", "report.pdf", "second report"},
        {"one", "bytes.bin", AllByteValues()},
        {"one", "empty.txt", ""},
        {"one", "Bericht für März – 日本語の長いファイル名前の添付ファイル – 2008 final version.pdf",
         RandomBytes(200000, 7)},
        {"one", " quo\"te;semi=?utf-8?q?x?=%41 'apos' .txt ", "hostile name"},
        {"one", "tab\there.txt", "control character"}};
    samples.push_back(s);
  }
  {
    Sample s;
    s.label = "hostile header texts and body";
    s.from = "Mallory \"the\" \\ <mallory@example.com>";
    s.expectedFrom = {{"Mallory \"the\" \\", "mallory@example.com"}};
    s.subject = "  Injected\r\nBcc: evil@example.com\tand =?utf-8?q?abc?= \x01 end  ";
    s.to = "Bcc: evil@example.com\r\nX: y;Name (with) <comments>;\"quoted\" name/Org";
    s.expectedTo = {
        {"Bcc: evil@example.com  X: y", ""}, {"Name (with) <comments>", ""}, {"\"quoted\" name/Org", ""}};
    s.when = 946684799;  // the last second of 1999
    s.body = "line with trailing spaces   \r\nFrom the start\r\n.\r\nlone\rCR\r\nlone LF\n" +
             Repeat("x", 2000) + "\r\n=3D and =\r\n\r\n";
    samples.push_back(s);
  }
  {
    Sample s;
    s.label = "nothing at all";
    s.expectedFrom = {{"undisclosed-sender", ""}};
    s.dateKind = Sample::DateKind::Empty;
    samples.push_back(s);
  }
  {
    Sample s;
    s.label = "mostly non-ASCII body, unreadable date";
    s.from = "a@example.com";
    s.expectedFrom = {{"", "a@example.com"}};
    s.subject = "日本語";
    s.dateKind = Sample::DateKind::Unreadable;
    s.body = Repeat("日本語のテキストです。", 30) + "\r\n" + Repeat("もう一行", 10);
    samples.push_back(s);
  }
  {
    Sample s;
    s.label = "long subjects and names, many recipients, several senders";
    s.from = "first@example.com;Second Person/Org;third@example.com";
    s.expectedFrom = {{"", "first@example.com"}, {"Second Person/Org", ""}, {"", "third@example.com"}};
    s.subject = Repeat("A long subject that goes on ", 12) + Repeat("x", 200);
    for (int i = 0; i < 60; ++i) {
      s.to += "Person Number " + std::to_string(i) + " <person" + std::to_string(i) + "@example.com>;";
      s.expectedTo.push_back(
          {"Person Number " + std::to_string(i), "person" + std::to_string(i) + "@example.com"});
    }
    const std::string longName = Repeat("Ünïcödé Nämé ", 12) + "/Org";
    s.cc = longName + ";" + Repeat("Plain Name ", 60) + "<plain@example.com>";
    s.expectedCc = {{longName, ""}, {Repeat("Plain Name ", 60).substr(0, 659), "plain@example.com"}};
    s.when = 4102444800;  // 2100-01-01
    s.body = Repeat("word ", 500);
    samples.push_back(s);
  }
  return samples;
}

}  // namespace

// The subject as a message shows it: on one line, every control character a blank.
static std::string ShownSubject(std::string subject) {
  for (char& c : subject)
    if ((c >= 0 && c < 0x20) || c == 0x7F) c = ' ';
  return subject;
}

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: eml_samples OUTPUT_FOLDER\n";
    return 2;
  }
  const fs::path output = fs::absolute(argv[1]);
  fs::remove_all(output);
  const fs::path root = output / "Db";
  const fs::path extracted = output / "extracted";
  fs::create_directories(root / "Inbox");
  fs::create_directories(extracted);

  auto component = mailshift::platform::CreateMailComposer({(output / "spool-parent").string(), {}, {}, {}});
  fs::create_directories(output / "spool-parent");
  auto writer =
      std::make_unique<mailshift::mail::MessageWriter>(*component, root.string() + mailshift::kPathSeparator);

  json manifest = json::array();
  int failures = 0;
  int index = 0;
  for (const Sample& sample : Samples()) {
    ++index;
    std::string attachments;
    std::vector<std::string> attachmentFiles;
    json expectedAttachments = json::array();
    for (const AttachmentInput& input : sample.attachments) {
      const fs::path folder = extracted / (std::to_string(index) + "-" + input.folder);
      fs::create_directories(folder);
      WriteFile(folder / input.name, input.content);
      attachments += "|" + (folder / input.name).string();
      attachmentFiles.push_back((folder / input.name).string());
      expectedAttachments.push_back({{"name", input.name}, {"base64", Base64(input.content)}});
    }
    std::string dateText;
    json expectedDate;
    if (sample.dateKind == Sample::DateKind::Text) {
      dateText = mailshift::DateText({sample.when, 0});
      expectedDate = DateJson(sample.when);
    } else {
      // No date, or one that cannot be read: the message carries the time it was written.
      if (sample.dateKind != Sample::DateKind::Empty) dateText = "not a date";
      expectedDate = {{"around", static_cast<std::int64_t>(std::time(nullptr))}};
    }

    const auto outcome = writer->CreateEmailItem(sample.folder, {sample.from,
                                                                 sample.subject,
                                                                 sample.to,
                                                                 sample.cc,
                                                                 sample.bcc,
                                                                 dateText,
                                                                 sample.body,
                                                                 attachments,
                                                                 {attachmentFiles, {}}});
    if (!outcome.written) {
      std::cerr << sample.label << ": not written: " << outcome.reason << "\n";
      ++failures;
      continue;
    }
    for (const AttachmentInput& input : sample.attachments) {
      if (fs::exists(extracted / (std::to_string(index) + "-" + input.folder) / input.name)) {
        std::cerr << sample.label << ": extracted file " << input.name << " was not deleted\n";
        ++failures;
      }
    }
    manifest.push_back({{"label", sample.label},
                        {"file", outcome.path},
                        {"subject", ShownSubject(sample.subject)},
                        {"from", ToJson(sample.expectedFrom)},
                        {"to", ToJson(sample.expectedTo)},
                        {"cc", ToJson(sample.expectedCc)},
                        {"bcc", ToJson(sample.expectedBcc)},
                        {"date", expectedDate},
                        {"body", sample.body},
                        {"attachments", expectedAttachments}});
  }
  writer.reset();
  component.reset();
  if (!fs::is_empty(output / "spool-parent")) {
    std::cerr << "the attachment spool was left behind\n";
    ++failures;
  }
  std::ofstream(output / "manifest.json") << manifest.dump(2, ' ', true, json::error_handler_t::strict);
  return failures == 0 ? 0 : 1;
}
