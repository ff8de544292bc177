// What the export benchmarks share: the sample mailbox written into a fresh work folder, with the
// folders a fresh scan leaves checked and a destination inside the work folder, and an observer
// that shows nothing.
#pragma once

#include <filesystem>
#include <string>

#include "export/EmailItemWriter.h"
#include "export/ExportPlan.h"
#include "platform/standin/StoreFixture.h"

namespace mailshift::bench {

struct SampleExport {
  std::filesystem::path work;   // removed and made anew
  std::filesystem::path store;  // the sample mailbox in it
  mail::ExportPlan plan;        // title, every folder selected, destination work/out
};

// Reads "--documents N", "--folder PATH" (where the work folder goes) and "--mixed" (the sample
// in which every third mail shows a picture, as MIME or converted rich text), and "--rounds N"
// when rounds is given; false after printing the usage line for anything else.
bool ReadSampleArguments(int argc, char** argv, const char* program, standin::SampleOptions& sample,
                         std::filesystem::path& base, int* rounds = nullptr);

// Also points TMPDIR at a folder in the work folder.
SampleExport PrepareSampleExport(const std::filesystem::path& base, const std::string& workName,
                                 const standin::SampleOptions& sample);

// Exports the prepared sample (with its plan as it is now) through writer, with the stand-in
// client and an observer that shows nothing; the log goes to logFile.
mail::ExportReport ExportSample(SampleExport& prepared, mail::EmailItemWriter& writer,
                                const std::filesystem::path& logFile);

}  // namespace mailshift::bench
