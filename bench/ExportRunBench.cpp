// Exports the 20,000-document sample mailbox through the stand-in Notes client, the message
// writer and the composer, and prints messages and bytes per second and the peak memory,
// beside the time that writing the same bytes as plain files takes in the same run.
//
//   export_run_bench [--documents N] [--folder PATH]
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "export/ComponentItemWriter.h"
#include "export/ExportDriver.h"
#include "export/ScanSelection.h"
#include "platform/mime/MailComposer.h"
#include "platform/standin/StandInNotesClient.h"
#include "platform/standin/StoreFixture.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace mailshift;

double PeakMemoryMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB
}

double Seconds(Clock::duration duration) { return std::chrono::duration<double>(duration).count(); }

class QuietObserver : public mail::ExportObserver {
 public:
  void SetLabel(mail::ExportLabel, const std::string&) override {}
  void SetSubjectVisible(bool) override {}
  void ShowMessage(const mail::ExportMessage& message) override { text = message.text; }
  std::string text;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

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
      std::cerr << "usage: export_run_bench [--documents N] [--folder PATH]\n";
      return 2;
    }
  }
  const fs::path work = base / "mailshift-export-bench";
  fs::remove_all(work);
  fs::create_directories(work / "out");
  fs::create_directories(work / "plain");
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
  notes::NotesState state;
  const auto started = Clock::now();
  const mail::ExportResult result =
      mail::RunExport({client, state, values, [&store] { return store.string(); }, writer, observer,
                       (work / "Log.txt").string()});
  const double exportSeconds = Seconds(Clock::now() - started);
  const double peak = PeakMemoryMiB();

  // The same bytes written again as plain files, one for each message file.
  std::uintmax_t bytes = 0;
  std::int64_t files = 0;
  Clock::duration plainTime{};
  for (const auto& entry : fs::recursive_directory_iterator(work / "out")) {
    if (!entry.is_regular_file() || entry.path().extension() != ".eml") continue;
    const std::string content = ReadFile(entry.path());
    bytes += content.size();
    const auto plainStarted = Clock::now();
    std::FILE* file = std::fopen((work / "plain" / (std::to_string(files) + ".eml")).c_str(), "wb");
    if (file == nullptr || std::fwrite(content.data(), 1, content.size(), file) != content.size() ||
        std::fclose(file) != 0) {
      std::cerr << "cannot write a plain file\n";
      return 1;
    }
    plainTime += Clock::now() - plainStarted;
    ++files;
  }
  const double plainSeconds = Seconds(plainTime);
  const double megabytes = static_cast<double>(bytes) / 1e6;

  std::printf("documents in the sample:        %lld\n", static_cast<long long>(sample.documents));
  std::printf("messages handed to the writer:  %lld (%lld not written, %lld in part)\n",
              static_cast<long long>(result.messages), static_cast<long long>(result.notWritten),
              static_cast<long long>(result.incomplete));
  std::printf("message files:                  %lld, %.1f MB\n", static_cast<long long>(files), megabytes);
  std::printf("export run:                     %.2f s, %.0f messages/s, %.1f MB/s\n", exportSeconds,
              static_cast<double>(result.messages) / exportSeconds, megabytes / exportSeconds);
  std::printf("same bytes as plain files:      %.2f s, %.1f MB/s (export takes %.1fx as long)\n",
              plainSeconds, megabytes / plainSeconds, exportSeconds / plainSeconds);
  std::printf("peak memory (export run):       %.1f MiB\n", peak);
  fs::remove_all(work);
  return result.Succeeded() ? 0 : 1;
}
