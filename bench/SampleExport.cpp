#include "bench/SampleExport.h"

#include <cstdlib>
#include <iostream>

#include "export/ScanSelection.h"
#include "platform/standin/StandInNotesClient.h"

namespace mailshift::bench {

bool ReadSampleArguments(int argc, char** argv, const char* program, standin::SampleOptions& sample,
                         std::filesystem::path& base, int* rounds) {
  for (int i = 1; i < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--mixed") {
      sample.mixedBodies = true;
      --i;
    } else if (i + 1 < argc && option == "--documents") {
      sample.documents = std::stoll(argv[i + 1]);
    } else if (i + 1 < argc && option == "--folder") {
      base = argv[i + 1];
    } else if (i + 1 < argc && option == "--rounds" && rounds != nullptr && std::stoi(argv[i + 1]) > 0) {
      *rounds = std::stoi(argv[i + 1]);
    } else {
      std::cerr << "usage: " << program << " [--documents N] [--folder PATH] [--mixed]"
                << (rounds != nullptr ? " [--rounds N]" : "") << "\n";
      return false;
    }
  }
  return true;
}

SampleExport PrepareSampleExport(const std::filesystem::path& base, const std::string& workName,
                                 const standin::SampleOptions& sample) {
  SampleExport prepared;
  prepared.work = base / workName;
  std::filesystem::remove_all(prepared.work);
  std::filesystem::create_directories(prepared.work / "out");
  // The run's temporary folder (extracted attachments) goes into the work folder too, so that
  // the whole run uses one file system, the one --folder names.
  std::filesystem::create_directories(prepared.work / "temp");
  setenv("TMPDIR", (prepared.work / "temp").c_str(), 1);
  prepared.store = prepared.work / "Sample Mail.nsf";
  standin::WriteSampleStore(prepared.store, sample);

  standin::StandInNotesClient client;
  const auto database =
      client.CreateObject(notes::kDominoSessionClass)->GetDatabase("", prepared.store.string());
  prepared.plan.databasePath = prepared.store.string();
  prepared.plan.title = database->Title();
  prepared.plan.folders = mail::ScanSelection(*database);
  prepared.plan.destination = (prepared.work / "out").string();
  return prepared;
}

mail::ExportReport ExportSample(SampleExport& prepared, mail::EmailItemWriter& writer,
                                const std::filesystem::path& logFile) {
  standin::StandInNotesClient client;
  mail::ExportObserver quiet;
  prepared.plan.logPath = logFile.string();
  return mail::Export(prepared.plan, {client, writer}, quiet);
}

}  // namespace mailshift::bench
