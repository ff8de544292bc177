// A run into a place that already holds a whole export of the sample mailbox, beside the full
// export that put it there: the re-run recognises every message and writes none, so it should take
// a small fraction of the time.
//
//   resume_bench [--documents N] [--folder PATH]
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>

#include "bench/BenchSupport.h"
#include "export/ComponentItemWriter.h"
#include "export/ExportDriver.h"
#include "export/ScanSelection.h"
#include "platform/mime/MailComposer.h"
#include "platform/standin/StandInNotesClient.h"
#include "platform/standin/StoreFixture.h"

namespace {

namespace fs = std::filesystem;
using namespace mailshift;

class QuietObserver : public mail::ExportObserver {
 public:
  void SetLabel(mail::ExportLabel, const std::string&) override {}
  void SetSubjectVisible(bool) override {}
  void ShowMessage(const mail::ExportMessage&) override {}
};

}  // namespace

int main(int argc, char** argv) {
  standin::SampleOptions sample;
  sample.documents = 20000;
  fs::path base = fs::temp_directory_path();
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--documents") {
      sample.documents = std::stoll(argv[i + 1]);
    } else if (option == "--folder") {
      base = argv[i + 1];
    } else {
      std::cerr << "usage: resume_bench [--documents N] [--folder PATH]\n";
      return 2;
    }
  }
  const fs::path work = base / "mailshift-resume-bench";
  fs::remove_all(work);
  fs::create_directories(work / "out");
  const fs::path store = work / "Sample Mail.nsf";
  standin::WriteSampleStore(store, sample);

  standin::StandInNotesClient client;
  ProgramValues values;
  {
    const auto database = client.CreateObject(notes::kDominoSessionClass)->GetDatabase("", store.string());
    values.DatabaseTitle = database->Title();
    values.SelectedFolders = mail::ScanSelection(*database);
  }
  values.DestinationRoot = (work / "out").string();
  auto component = platform::CreateMailComposer();
  mail::ComponentItemWriter writer(*component);
  QuietObserver observer;

  const auto run = [&](const char* label) {
    notes::NotesState state;
    const auto started = bench::Clock::now();
    const mail::ExportResult result =
        mail::RunExport({client, state, values, [&store] { return store.string(); }, writer, observer,
                         (work / "Log.txt").string()});
    const double seconds = bench::SecondsSince(started);
    std::printf("%-14s %.2f s: %lld written, %lld not written, %lld written before\n", label, seconds,
                static_cast<long long>(result.written()), static_cast<long long>(result.notWritten),
                static_cast<long long>(result.skipped));
    return std::pair(seconds, result);
  };
  const auto [fullSeconds, full] = run("full export:");
  const auto [resumeSeconds, resumed] = run("run again:");
  std::printf("the run again takes %.1f%% of the full export's time; peak memory %.1f MiB\n",
              100.0 * resumeSeconds / fullSeconds, bench::PeakMegabytes());
  fs::remove_all(work);
  return full.Succeeded() && resumed.Succeeded() && resumed.written() == 0 &&
                 resumed.skipped == full.written()
             ? 0
             : 1;
}
