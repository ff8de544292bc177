// The composer beside GMime: messages per second for the very same typical messages rendered by
// each in one run, and the composer's peak memory for one message with a large attachment.
//
//   composer_bench [--messages N] [--rounds R] [--attachment-mb MB] [--folder PATH]
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "bench/gmime/GMimeRenderer.h"
#include "platform/mime/InternetMessage.h"
#include "platform/mime/MailComposer.h"
#include "platform/mime/RecipientText.h"

namespace {

namespace fs = std::filesystem;
using mailshift::bench::Clock;
using mailshift::bench::PeakMegabytes;
using mailshift::bench::SecondsSince;
using mailshift::platform::MessageContent;
using mailshift::platform::ParseRecipientText;

// A file of the given size in 1 MiB blocks of varied bytes.
void WriteLargeFile(const fs::path& path, std::size_t megabytes) {
  std::ofstream file(path, std::ios::binary);
  std::string block(1 << 20, '\0');
  std::uint32_t state = 12345;
  for (char& c : block) {
    state = state * 1103515245u + 12345u;
    c = static_cast<char>(state >> 24);
  }
  for (std::size_t i = 0; i < megabytes; ++i) {
    block[i % block.size()] = static_cast<char>(i);
    file.write(block.data(), static_cast<std::streamsize>(block.size()));
  }
}

std::string TypicalBody() {
  std::string body;
  for (int line = 0; line < 40; ++line) {
    body += "Dear team, please find the figures for the second quarter below; Grüße aus München.\r\n";
  }
  return body;
}

// Typical messages of a mailbox: one in three with a 20 KiB attachment, one in ten with a
// body in a non-Latin script.
std::vector<MessageContent> TypicalMessages(int count, const fs::path& attachment) {
  const std::string body = TypicalBody();
  std::string cyrillic;
  for (int line = 0; line < 30; ++line) cyrillic += "Протокол заседания о планировании бюджета\r\n";
  std::vector<MessageContent> messages(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    MessageContent& m = messages[static_cast<std::size_t>(i)];
    m.from = ParseRecipientText("Ann Lee/Sales/Acme");
    m.to = ParseRecipientText("bob@example.com;Carol Diaz/Sales/Acme;\"Dave Roe\" <dave@example.com>");
    m.cc = ParseRecipientText("Jürgen Müller <juergen@example.de>");
    m.subject = i % 2 == 0 ? "Re: Quarterly figures " + std::to_string(i)
                           : "AW: Grüße zum Quartal " + std::to_string(i);
    m.body = i % 10 == 0 ? cyrillic : body;
    m.date = {1225895400 + i, 60};
    if (i % 3 == 0) m.attachments.push_back({"figures " + std::to_string(i) + ".xls", attachment});
  }
  return messages;
}

template <typename Render>
double MessagesPerSecond(const std::vector<MessageContent>& messages, std::FILE* sink, Render render) {
  const auto start = Clock::now();
  for (const MessageContent& message : messages) {
    render(message, sink);
    std::fputs("\r\n", sink);
  }
  return static_cast<double>(messages.size()) / SecondsSince(start);
}

}  // namespace

int main(int argc, char** argv) {
  int messages = 5000;
  int rounds = 3;
  std::size_t attachmentMegabytes = 1024;
  fs::path base = fs::temp_directory_path();
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--messages") {
      messages = std::stoi(argv[i + 1]);
    } else if (option == "--rounds") {
      rounds = std::stoi(argv[i + 1]);
    } else if (option == "--attachment-mb") {
      attachmentMegabytes = std::stoul(argv[i + 1]);
    } else if (option == "--folder") {
      base = argv[i + 1];
    } else {
      std::cerr << "usage: composer_bench [--messages N] [--rounds R] [--attachment-mb MB] [--folder PATH]\n";
      return 2;
    }
  }
  std::string pattern = (base / "mailshift-composer-bench-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    std::perror("mkdtemp");
    return 1;
  }
  const fs::path folder = pattern;
  int status = 0;

  // The large attachment first, so that the peak memory shows what it alone needs.
  if (attachmentMegabytes > 0) {
    const fs::path large = folder / "large.bin";
    WriteLargeFile(large, attachmentMegabytes);
    const double before = PeakMegabytes();
    auto composer = mailshift::platform::CreateMailComposer({folder.string(), {}, {}, {}});
    auto message = composer->CreateMessage();
    message->SetSender("ann@example.com");
    message->AddRecipient(mailshift::mail::RecipientKind::To, "bob@example.com", "bob@example.com");
    message->SetSubject("Large attachment");
    message->AddAttachment(large.string());
    fs::remove(large);
    const fs::path output = folder / "large.eml";
    std::FILE* file = std::fopen(output.c_str(), "wb");
    const auto start = Clock::now();
    try {
      composer->CreateRenderer()->Render(*message, file);
    } catch (const mailshift::mail::EmailError& error) {
      std::cerr << "the large message failed: " << error.what() << "\n";
      status = 1;
    }
    std::fclose(file);
    const double seconds = SecondsSince(start);
    std::printf("composer, one message with a %zu MiB attachment: %.2f s (%.0f MiB/s), file %.0f MiB\n",
                attachmentMegabytes, seconds, static_cast<double>(attachmentMegabytes) / seconds,
                static_cast<double>(fs::file_size(output)) / (1 << 20));
    std::printf("composer, peak memory: %.1f MiB before, %.1f MiB after the large message\n", before,
                PeakMegabytes());
    fs::remove(output);
  }

  const fs::path attachment = folder / "figures.xls";
  std::ofstream(attachment, std::ios::binary) << std::string(20 * 1024, 'a');
  const std::vector<MessageContent> typical = TypicalMessages(messages, attachment);
  std::FILE* sink = std::fopen("/dev/null", "wb");
  const auto ours = [](const MessageContent& m, std::FILE* target) {
    mailshift::platform::WriteInternetMessage(m, {"<bench@example.test>", "=_bench-boundary"}, target);
  };
  const auto gmime = [](const MessageContent& m, std::FILE* target) {
    mailshift::bench::WriteWithGMime(m, target);
  };
  double bestOurs = 0;
  double bestGMime = 0;
  for (int round = 0; round < rounds; ++round) {
    bestOurs = std::max(bestOurs, MessagesPerSecond(typical, sink, ours));
    bestGMime = std::max(bestGMime, MessagesPerSecond(typical, sink, gmime));
  }
  std::fclose(sink);
  std::printf("the same %d typical messages (one in three with a 20 KiB attachment), best of %d rounds:\n",
              messages, rounds);
  std::printf("  composer: %.0f messages/s\n  GMime:    %.0f messages/s\n  composer / GMime: %.2f\n",
              bestOurs, bestGMime, bestOurs / bestGMime);
  if (bestOurs < bestGMime) {
    std::printf("the composer is slower than GMime\n");
    status = 1;
  }
  fs::remove_all(folder);
  return status;
}
