// Scanning and exporting a mailbox whose folder names nest very deep, and mailboxes with very many
// folders (10,000, 50,000 and 100,000 unless --folders names other numbers, separated by commas):
// time and memory must grow with the length of the names and the number of folders, not with
// their squares.
//   bench_deep_folders [--levels N] [--folders N[,N...]] [--folder DIR]
// Each case runs in a process of its own, so that each reports its own peak memory.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "bench/SampleExport.h"
#include "export/ComponentItemWriter.h"
#include "export/ExportPlan.h"
#include "notes/FolderChecks.h"
#include "notes/FolderOutline.h"
#include "notes/MailScan.h"
#include "platform/mime/MailComposer.h"
#include "platform/standin/StandInNotesClient.h"
#include "platform/standin/StoreFixture.h"

namespace {

using namespace mailshift;
namespace fs = std::filesystem;
using bench::Clock;
using bench::SecondsSince;

nlohmann::json Document() {
  return {{"id", "m1"}, {"items", {{{"name", "Subject"}, {"text", {"Deep down"}}}}}};
}

// One folder whose name has `levels` levels, holding one message.
nlohmann::json DeepMailbox(int levels) {
  std::string name = "L";
  for (int level = 1; level < levels; ++level) name += "\\L";
  return {{"title", "Deep"},
          {"views", {{{"name", name}, {"folder", true}, {"documents", {"m1"}}}}},
          {"documents", {Document()}}};
}

// `folders` folders side by side, the first holding one message.
nlohmann::json WideMailbox(int folders) {
  nlohmann::json views = nlohmann::json::array();
  for (int i = 0; i < folders; ++i) {
    views.push_back({{"name", "Folder " + std::to_string(i)},
                     {"folder", true},
                     {"documents", i == 0 ? nlohmann::json{"m1"} : nlohmann::json::array()}});
  }
  return {{"title", "Wide"}, {"views", views}, {"documents", {Document()}}};
}

// Scans the store, checks every folder and exports it; prints the times and the peak memory.
int ScanAndExport(const std::string& label, const nlohmann::json& mailbox, const fs::path& work) {
  const fs::path store = work / (label + ".nsf");
  standin::BuildStore(mailbox, store);
  const double before = bench::PeakMegabytes();

  standin::StandInNotesClient client;
  auto started = Clock::now();
  const notes::ScanResult scan = notes::Scan(client, store.string());
  const double scanSeconds = SecondsSince(started);
  const notes::FolderChecks checks(scan.nodes);
  started = Clock::now();
  const std::size_t outlineLines = notes::FolderOutline(scan.nodes, checks).size();
  const double outlineSeconds = SecondsSince(started);

  mail::ExportPlan plan;
  plan.databasePath = store.string();
  plan.title = scan.title;
  plan.folders = checks.CheckedTags();
  plan.destination = (work / (label + "-out")).string();
  plan.logPath = (work / (label + ".log")).string();
  fs::create_directories(plan.destination);
  auto composer = platform::CreateMailComposer();
  mail::ComponentItemWriter writer(*composer);
  mail::ExportObserver quiet;
  started = Clock::now();
  const auto result = mail::Export(plan, {client, writer}, quiet);
  const double exportSeconds = SecondsSince(started);

  std::printf(
      "%s: scan %.2f s (%d nodes), outline %.2f s (%zu lines), export %.2f s (%lld messages, %s), "
      "peak memory %.1f MB (%.1f MB before the scan)\n",
      label.c_str(), scanSeconds, static_cast<int>(scan.nodes.size()), outlineSeconds, outlineLines,
      exportSeconds, static_cast<long long>(result.written()),
      result.Succeeded() ? "completed" : "NOT COMPLETED", bench::PeakMegabytes(), before);
  return scan.end == notes::ScanEnd::Completed && result.Succeeded() ? 0 : 1;
}

int InOwnProcess(const std::function<int()>& run) {
  std::fflush(stdout);
  const pid_t child = fork();
  if (child == 0) {
    const int code = run();
    std::fflush(stdout);
    std::_Exit(code);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

}  // namespace

int main(int argc, char** argv) {
  int levels = 100000;
  std::vector<int> folderCounts{10000, 50000, 100000};
  fs::path folder = fs::temp_directory_path();
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--levels") levels = std::atoi(argv[i + 1]);
    if (option == "--folders") {
      folderCounts.clear();
      std::stringstream counts(argv[i + 1]);
      for (std::string count; std::getline(counts, count, ',');)
        folderCounts.push_back(std::atoi(count.c_str()));
    }
    if (option == "--folder") folder = argv[i + 1];
  }
  const fs::path work = folder / ("bench-deep-" + std::to_string(getpid()));
  fs::create_directories(work);
  int failures = 0;
  failures += InOwnProcess([&] { return ScanAndExport("deep", DeepMailbox(levels), work); });
  for (const int folders : folderCounts) {
    failures += InOwnProcess(
        [&] { return ScanAndExport("wide-" + std::to_string(folders), WideMailbox(folders), work); });
  }
  fs::remove_all(work);
  return failures == 0 ? 0 : 1;
}
