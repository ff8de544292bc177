// Opening and walking a large stand-in store, as the scan, the preview and the export do.
//   bench_store_walk [--documents N] [--folder DIR]
// Writes the sample mailbox with N documents (default 20000), then reports the time to write
// it, to open the database and count a folder (done once per folder by the program), and to
// walk every document of ($All) reading its subject.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/standin/StandInNotesClient.h"
#include "platform/standin/StoreFixture.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
  using namespace mailshift;
  std::int64_t documents = 20000;
  std::filesystem::path folder = std::filesystem::temp_directory_path();
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--documents" && i + 1 < argc) {
      documents = std::strtoll(argv[++i], nullptr, 10);
    } else if (argument == "--folder" && i + 1 < argc) {
      folder = argv[++i];
    } else {
      std::fprintf(stderr, "usage: %s [--documents N] [--folder DIR]\n", argv[0]);
      return 2;
    }
  }
  const auto store = folder / ("mailshift-walk-" + std::to_string(getpid()) + ".nsf");
  int exitCode = 0;
  try {
    auto start = Clock::now();
    standin::WriteSampleStore(store, standin::SampleOptions{documents, 14, 1});
    std::printf("sample of %lld documents written in %.2f s (%.1f MiB)\n", static_cast<long long>(documents),
                Seconds(start), static_cast<double>(std::filesystem::file_size(store)) / 1048576.0);

    standin::StandInNotesClient client;
    auto session = client.CreateObject("Domino.NotesSession");
    constexpr int kOpens = 2000;
    std::int64_t counted = 0;
    start = Clock::now();
    for (int i = 0; i < kOpens; ++i) {
      counted += session->GetDatabase("", store.string())->GetView("($Inbox)")->AllEntriesCount();
    }
    std::printf("open + GetView + AllEntries.Count: %.1f us each (inbox holds %lld)\n",
                Seconds(start) * 1e6 / kOpens, static_cast<long long>(counted / kOpens));

    auto all = session->GetDatabase("", store.string())->GetView("($All)");
    std::int64_t walked = 0;
    std::size_t subjectBytes = 0;
    start = Clock::now();
    for (auto document = all->GetFirstDocument(); document; document = all->GetNextDocument(document)) {
      for (const auto& value : document->GetItemValue("Subject")) {
        if (const auto* text = std::get_if<std::string>(&value)) subjectBytes += text->size();
      }
      ++walked;
    }
    const double walk = Seconds(start);
    std::printf(
        "walk of ($All): %lld documents in %.3f s, %.1f us per document (GetNextDocument + Subject)\n",
        static_cast<long long>(walked), walk,
        walk * 1e6 / static_cast<double>(std::max<std::int64_t>(walked, 1)));
    if (subjectBytes == 0 && walked > 0) exitCode = 1;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "failed: %s\n", error.what());
    exitCode = 1;
  }
  std::error_code ignored;
  std::filesystem::remove(store, ignored);
  return exitCode;
}
