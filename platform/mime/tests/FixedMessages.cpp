// Renders a fixed set of messages with a fixed Date, Message-ID and boundary into numbered files,
// so that the renderings of two platforms can be compared byte for byte
// (scripts/compare-composer-output).
//
//   composer_fixed_messages OUTPUT_FOLDER
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "platform/mime/MailComposer.h"
#include "platform/mime/Utf8Path.h"

namespace {

namespace fs = std::filesystem;
using mailshift::DateTime;
using mailshift::mail::RecipientKind;
using mailshift::platform::PathFromUtf8;
using mailshift::platform::Utf8FromPath;

std::string Utf8(const char8_t* text) { return std::string(reinterpret_cast<const char*>(text)); }

struct FixedAttachment {
  std::string name;  // UTF-8
  std::string content;
};

struct FixedMessage {
  std::string from, to, cc, bcc, subject, body;
  DateTime date;
  std::vector<FixedAttachment> attachments;
};

std::string Bytes(std::size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  for (char& c : bytes) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>(seed >> 24);
  }
  return bytes;
}

std::vector<FixedMessage> Messages() {
  std::string longLine;
  for (int i = 0; i < 3000; ++i) longLine += i % 50 == 0 ? Utf8(u8"ä=") : std::string("lorem ");
  std::string manyRecipients;
  for (int i = 0; i < 30; ++i)
    manyRecipients += "Person " + std::to_string(i) + " <p" + std::to_string(i) + "@example.com>;";
  return {
      {"ann@example.com",
       "bob@example.com;Bob Ray/Org",
       "",
       "",
       "Re: Q1/Q2 report?",
       "Hello,\r\n\r\nthe report is attached.\r\n",
       {1225895400, 60},
       {}},
      {Utf8(u8"\"Jürgen Müller\" <juergen@example.de>"),
       Utf8(u8"Zoë Åström <zoe@example.se>"),
       Utf8(u8"Всеволод/Москва/Org"),
       "secret@example.com",
       Utf8(u8"Grüße aus München — Протокол"),
       Utf8(u8"Line with a tab\tand trailing blank \nLone CR\rhere\n"),
       {1214906400, 120},
       {}},
      {"", "", ";", "", "", "", {-2208988800, -330}, {}},
      {"Team/Org;ann@example.com;bob@example.com",
       manyRecipients,
       "",
       "",
       std::string(300, 's'),
       longLine,
       {253402300799, -1440},
       {}},
      {"ann@example.com",
       "bob@example.com",
       "",
       "",
       Utf8(u8"日本語の件名"),
       Utf8(u8"日本語の本文です。\n二行目"),
       {1600000000, 540},
       {}},
      {"ann@example.com",
       "bob@example.com",
       "",
       "",
       "Attachments",
       "see attached",
       {1225895400, -300},
       {{"report.pdf", Bytes(70001, 1)},
        {"report.pdf", "the same name again"},
        {Utf8(u8"Bericht für März.txt"), ""},
        {Utf8(u8"Протокол заседания о планировании бюджета на следующий год.docx"), Bytes(1000, 2)}}},
  };
}

std::FILE* OpenForWriting(const fs::path& path) {
#ifdef _WIN32
  return _wfopen(path.c_str(), L"wb");
#else
  return std::fopen(path.c_str(), "wb");
#endif
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: composer_fixed_messages OUTPUT_FOLDER\n";
    return 2;
  }
  const fs::path output = PathFromUtf8(argv[1]);
  const fs::path extracted = output / "extracted";
  fs::create_directories(extracted);

  mailshift::platform::MailComposerOptions options;
  options.spoolParentFolder = Utf8FromPath(output);
  options.newMessageId = [] { return std::string("<fixed@example.test>"); };
  options.newBoundary = [] { return std::string("=_fixed-boundary"); };
  auto composer = mailshift::platform::CreateMailComposer(options);

  int number = 0;
  int failures = 0;
  for (const FixedMessage& fixed : Messages()) {
    ++number;
    auto message = composer->CreateMessage();
    message->AddRecipient(RecipientKind::To, fixed.to, fixed.to);
    message->SetSubject(fixed.subject);
    message->SetBodyText(fixed.body);
    message->SetSender(fixed.from);
    message->AddRecipient(RecipientKind::Cc, fixed.cc, fixed.cc);
    message->AddRecipient(RecipientKind::Bcc, fixed.bcc, fixed.bcc);
    message->SetDate(fixed.date);
    int attachmentNumber = 0;
    for (const FixedAttachment& attachment : fixed.attachments) {
      const fs::path folder = extracted / std::to_string(++attachmentNumber);
      fs::create_directories(folder);
      const fs::path file = folder / PathFromUtf8(attachment.name);
      std::ofstream(file, std::ios::binary) << attachment.content;
      message->AddAttachment(Utf8FromPath(file));
      fs::remove(file);
    }
    const fs::path target = output / (std::to_string(number) + ".eml");
    std::FILE* file = OpenForWriting(target);
    if (file == nullptr) {
      std::cerr << "cannot create " << Utf8FromPath(target) << "\n";
      return 1;
    }
    try {
      composer->CreateRenderer()->Render(*message, file);
    } catch (const mailshift::mail::EmailError& error) {
      std::cerr << "message " << number << ": " << error.what() << "\n";
      ++failures;
    }
    std::fclose(file);
  }
  composer.reset();
  fs::remove_all(extracted);
  return failures == 0 ? 0 : 1;
}
