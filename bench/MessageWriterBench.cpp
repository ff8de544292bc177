// Throughput of the message writer for typical small messages, and its peak memory for one
// message with a large attachment.
//
//   message_writer_bench [--messages N] [--attachment-mb MB] [--folder PATH]
#include <stdlib.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "common/DateText.h"
#include "common/Global.h"
#include "export/MessageWriter.h"
#include "platform/mime/MailComposer.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double PeakMemoryMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB
}

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

void WriteFile(const fs::path& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

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

}  // namespace

int main(int argc, char** argv) {
  int messages = 5000;
  std::size_t attachmentMegabytes = 1024;
  fs::path base = fs::temp_directory_path();
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--messages") {
      messages = std::stoi(argv[i + 1]);
    } else if (option == "--attachment-mb") {
      attachmentMegabytes = std::stoul(argv[i + 1]);
    } else if (option == "--folder") {
      base = argv[i + 1];
    } else {
      std::cerr << "usage: message_writer_bench [--messages N] [--attachment-mb MB] [--folder PATH]\n";
      return 2;
    }
  }

  std::string pattern = (base / "mailshift-bench-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    std::perror("mkdtemp");
    return 1;
  }
  const fs::path folder = pattern;
  const fs::path extracted = folder / "extracted";
  fs::create_directories(folder / "Db" / "Inbox");
  fs::create_directories(extracted);
  auto component = mailshift::platform::CreateMailComposer({extracted.string(), {}, {}, {}});
  mailshift::mail::MessageWriter writer(*component, (folder / "Db").string() + mailshift::kPathSeparator);

  const std::string body = TypicalBody();
  const std::string date = mailshift::DateText({1225895400, 0});
  const std::string smallAttachment(20 * 1024, 'a');
  // The extracted attachments exist before the writer runs, as the field extraction leaves them.
  std::vector<std::string> attachmentTexts(static_cast<std::size_t>(messages));
  for (int i = 0; i < messages; i += 3) {
    const fs::path file = extracted / ("figures" + std::to_string(i) + ".xls");
    WriteFile(file, smallAttachment);
    attachmentTexts[static_cast<std::size_t>(i)] = "|" + file.string();
  }
  int failed = 0;
  const auto smallStart = Clock::now();
  for (int i = 0; i < messages; ++i) {
    const std::string& attachments = attachmentTexts[static_cast<std::size_t>(i)];
    const auto outcome = writer.CreateEmailItem(
        "Inbox",
        {"Ann Lee/Sales/Acme", "Re: Quarterly figures " + std::to_string(i),
         "bob@example.com;Carol Diaz/Sales/Acme;dave@example.com", "erin@example.com", "", date, body,
         attachments,
         mailshift::mail::MessageOrigin{
             attachments.empty() ? std::vector<std::string>{} : std::vector{attachments.substr(1)}, {}}});
    if (!outcome.written) ++failed;
  }
  const double smallSeconds = Seconds(smallStart);
  std::printf(
      "small messages: %d in %.2f s, %.0f messages/s (one in three with a 20 KiB attachment), %d failed\n",
      messages, smallSeconds, messages / smallSeconds, failed);
  std::printf("peak memory after small messages: %.1f MiB\n", PeakMemoryMiB());

  if (attachmentMegabytes > 0) {
    const fs::path large = extracted / "large.bin";
    WriteLargeFile(large, attachmentMegabytes);
    const double before = PeakMemoryMiB();
    const auto largeStart = Clock::now();
    const auto outcome = writer.CreateEmailItem("Inbox", {"ann@example.com",
                                                          "Large attachment",
                                                          "bob@example.com",
                                                          "",
                                                          "",
                                                          date,
                                                          "",
                                                          "|" + large.string(),
                                                          {{large.string()}, {}}});
    const double largeSeconds = Seconds(largeStart);
    std::printf("one message with a %zu MiB attachment: %s in %.2f s (%.0f MiB/s), file %.0f MiB\n",
                attachmentMegabytes, outcome.written ? "written" : outcome.reason.c_str(), largeSeconds,
                static_cast<double>(attachmentMegabytes) / largeSeconds,
                outcome.written ? static_cast<double>(fs::file_size(outcome.path)) / (1 << 20) : 0.0);
    std::printf("peak memory: %.1f MiB before, %.1f MiB after the large message\n", before, PeakMemoryMiB());
  }
  component.reset();
  fs::remove_all(folder);
  return failed == 0 ? 0 : 1;
}
