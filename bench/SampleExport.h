// What the export benchmarks share: the sample mailbox written into a fresh work folder, with the
// folders a fresh scan leaves checked and a destination inside the work folder, and an observer
// that shows nothing.
#pragma once

#include <filesystem>
#include <string>

#include "common/ProgramValues.h"
#include "export/EmailItemWriter.h"
#include "export/ExportDriver.h"
#include "export/ExportObserver.h"
#include "platform/standin/StoreFixture.h"

namespace mailshift::bench {

struct SampleExport {
  std::filesystem::path work;   // removed and made anew
  std::filesystem::path store;  // the sample mailbox in it
  ProgramValues values;         // title, every folder selected, destination work/out
};

// Reads "--documents N" and "--folder PATH" (where the work folder goes), and "--rounds N" when
// rounds is given; false after printing the usage line for anything else.
bool ReadSampleArguments(int argc, char** argv, const char* program, standin::SampleOptions& sample,
                         std::filesystem::path& base, int* rounds = nullptr);

// Also points TMPDIR at a folder in the work folder.
SampleExport PrepareSampleExport(const std::filesystem::path& base, const std::string& workName,
                                 const standin::SampleOptions& sample);

// Exports the prepared sample (with its values as they are now) through writer, with the
// stand-in client and an observer that shows nothing; the log goes to logFile.
mail::ExportResult ExportSample(SampleExport& prepared, mail::EmailItemWriter& writer,
                                const std::filesystem::path& logFile);

class QuietObserver : public mail::ExportObserver {
 public:
  void SetLabel(mail::ExportLabel, const std::string&) override {}
  void SetSubjectVisible(bool) override {}
  void ShowMessage(const mail::ExportMessage& message) override { text = message.text; }
  std::string text;  // the closing message
};

}  // namespace mailshift::bench
