// Scanning a large mailbox and previewing a large folder, as the main window does.
//   bench_scan [--folders N] [--documents N] [--listed N] [--folder DIR]
// Builds a store with N user folders (default 2000, nested two levels deep) and N documents
// (default 100000), of which the folder "Archive" holds the first `listed` (default 50000).
// Reports the time to build it, to scan it, and to list "Archive", with the peak memory.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "bench/LargeMailbox.h"
#include "notes/MailPreview.h"
#include "notes/MailScan.h"
#include "platform/standin/StandInNotesClient.h"

int main(int argc, char** argv) {
  using namespace mailshift;
  using bench::Clock;
  using bench::SecondsSince;
  int folders = 2000;
  std::int64_t documents = 100000;
  std::int64_t listed = 50000;
  std::filesystem::path folder = std::filesystem::temp_directory_path();
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--folders") {
      folders = std::atoi(argv[i + 1]);
    } else if (option == "--documents") {
      documents = std::atoll(argv[i + 1]);
    } else if (option == "--listed") {
      listed = std::atoll(argv[i + 1]);
    } else if (option == "--folder") {
      folder = argv[i + 1];
    }
  }
  if (folders < 2 || documents < listed) {
    std::fprintf(stderr,
                 "usage: %s [--folders N>=2] [--documents N] [--listed N<=documents] [--folder DIR]\n",
                 argv[0]);
    return 2;
  }

  const auto store = folder / "bench-scan.nsf";
  auto started = Clock::now();
  bench::BuildLargeMailbox(store, folders, documents, listed);
  std::printf("store: %d folders, %lld documents built in %.2f s\n", folders,
              static_cast<long long>(documents), SecondsSince(started));

  standin::StandInNotesClient client;
  started = Clock::now();
  const notes::ScanResult scan = notes::Scan(client, store.string());
  std::printf("scan: %.3f s, %zu tree nodes, %s\n", SecondsSince(started), scan.nodes.size(),
              scan.end == notes::ScanEnd::Completed ? "completed" : "FAILED");
  if (scan.end != notes::ScanEnd::Completed) return 1;

  started = Clock::now();
  const notes::PreviewResult preview = notes::Preview(*scan.session, store.string(), "Archive");
  std::printf("list Archive: %.3f s, %zu rows\n", SecondsSince(started), preview.rows.size());
  std::printf("peak memory: %.1f MB\n", bench::PeakMegabytes());
  std::filesystem::remove(store);
  return preview.rows.size() == static_cast<std::size_t>(listed) ? 0 : 1;
}
