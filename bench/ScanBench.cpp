// Scanning a large mailbox and previewing a large folder, as the main window does.
//   bench_scan [--folders N] [--documents N] [--listed N] [--folder DIR]
// Builds a store with N user folders (default 2000, nested two levels deep) and N documents
// (default 100000), of which the folder "Archive" holds the first `listed` (default 50000).
// Reports the time to build it, to scan it, and to list "Archive", with the peak memory.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "common/HeadlessControls.h"
#include "common/ProgramValues.h"
#include "notes/Preview.h"
#include "notes/Scan.h"
#include "platform/standin/StandInNotesClient.h"
#include "platform/standin/StoreWriter.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace mailshift;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

double PeakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

standin::DocumentSpec Message(std::int64_t number) {
  standin::DocumentSpec document;
  document.id = "d" + std::to_string(number);
  const auto text = [](std::string name, std::string value) {
    return standin::ItemSpec{std::move(name), standin::ItemKind::Text, {std::move(value)}, {}};
  };
  document.items.push_back(text("From", "Sender " + std::to_string(number % 97) + "/Org"));
  document.items.push_back(text("SendTo", "Ann Lee/Org"));
  document.items.push_back(text("Subject", "Quarterly figures, part " + std::to_string(number)));
  document.items.push_back(standin::ItemSpec{
      "PostedDate", standin::ItemKind::DateTime, {DateTime{1200000000 + number * 61, 0}}, {}});
  return document;
}

void BuildStore(const std::filesystem::path& store, int folders, std::int64_t documents,
                std::int64_t listed) {
  standin::StoreWriter writer(store);
  writer.SetTitle("Benchmark Mail");
  std::vector<std::int64_t> keys;
  keys.reserve(static_cast<std::size_t>(documents));
  for (std::int64_t i = 0; i < documents; ++i) keys.push_back(writer.AddDocument(Message(i)));

  const auto slice = [&](std::int64_t from, std::int64_t count) {
    std::vector<std::int64_t> part;
    for (std::int64_t i = from; i < from + count && i < documents; ++i)
      part.push_back(keys[static_cast<std::size_t>(i)]);
    return part;
  };
  writer.AddView("($Inbox)", true, slice(0, 1000));
  for (const char* name : {"($Drafts)", "($Sent)", "($Follow-Up)", "($JunkMail)", "($Trash)"}) {
    writer.AddView(name, true, slice(1000, 200));
  }
  writer.AddView("Archive", true, slice(0, listed));
  // The remaining documents spread over the other folders: ten subfolders under each top folder.
  const std::int64_t rest = documents - listed;
  const int others = folders - 1;
  for (int f = 0; f < others; ++f) {
    const std::string name = f % 10 == 0
                                 ? "Team " + std::to_string(f / 10)
                                 : "Team " + std::to_string(f / 10) + "\\Topic " + std::to_string(f % 10);
    const std::int64_t per = rest / others;
    writer.AddView(name, true, slice(listed + f * per, per));
  }
  writer.AddView("($All)", false, keys);
  writer.Commit();
}

}  // namespace

int main(int argc, char** argv) {
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
  BuildStore(store, folders, documents, listed);
  std::printf("store: %d folders, %lld documents built in %.2f s\n", folders,
              static_cast<long long>(documents), Seconds(started));

  HeadlessMainWindow window;
  window.txtNotesDatabaseFile.SetCaption(store.string());
  standin::StandInNotesClient client;
  notes::NotesState state;
  ProgramValues values;
  MainWindowControls controls = window.controls();

  started = Clock::now();
  const auto outcome = notes::CmdScan_Click(controls, client, state, values);
  std::printf("scan: %.3f s, %d tree nodes, %s\n", Seconds(started), window.ContactsTreeView.NodeCount(),
              outcome.end == notes::ScanEnd::Completed ? "completed" : "FAILED");

  started = Clock::now();
  notes::EnumerateEmails("Archive", controls, state);
  std::printf("list Archive: %.3f s, %zu rows\n", Seconds(started), window.MailList.rows.size());
  std::printf("peak memory: %.1f MB\n", PeakMegabytes());
  std::filesystem::remove(store);
  return outcome.end == notes::ScanEnd::Completed &&
                 window.MailList.rows.size() == static_cast<std::size_t>(listed)
             ? 0
             : 1;
}
