// A run into a place that already holds a whole export of the sample mailbox, beside the full
// export that put it there: the re-run recognises every message and writes none, so it should take
// a small fraction of the time.
//
//   resume_bench [--documents N] [--folder PATH]
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/BenchSupport.h"
#include "bench/SampleExport.h"
#include "export/ComponentItemWriter.h"
#include "export/ExportPlan.h"
#include "platform/mime/MailComposer.h"
#include "platform/standin/StoreFixture.h"

namespace {

namespace fs = std::filesystem;
using namespace mailshift;

// The peak resident memory since the last reset, in MiB (Linux: VmHWM, reset through clear_refs).
void ResetPeakMemory() { std::ofstream("/proc/self/clear_refs") << "5"; }
double PeakSinceResetMiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  standin::SampleOptions sample;
  sample.documents = 20000;
  fs::path base = fs::temp_directory_path();
  if (!bench::ReadSampleArguments(argc, argv, "resume_bench", sample, base)) return 2;
  bench::SampleExport prepared = bench::PrepareSampleExport(base, "mailshift-resume-bench", sample);
  const fs::path& work = prepared.work;
  auto component = platform::CreateMailComposer();
  mail::ComponentItemWriter writer(*component);

  const auto run = [&](const char* label) {
    const auto started = bench::Clock::now();
    const mail::ExportReport result = bench::ExportSample(prepared, writer, work / "Log.txt");
    const double seconds = bench::SecondsSince(started);
    std::printf("%-14s %.2f s: %lld written, %lld not written, %lld written before\n", label, seconds,
                static_cast<long long>(result.written()), static_cast<long long>(result.notWritten),
                static_cast<long long>(result.skipped));
    return std::pair(seconds, result);
  };
  const auto [fullSeconds, full] = run("full export:");
  const double fullPeak = PeakSinceResetMiB();
  // The run again skips every document: its memory must not grow with them.
  ResetPeakMemory();
  const auto [resumeSeconds, resumed] = run("run again:");
  std::printf(
      "the run again takes %.1f%% of the full export's time; peak memory %.1f MiB in the full export, "
      "%.1f MiB in the run again\n",
      100.0 * resumeSeconds / fullSeconds, fullPeak, PeakSinceResetMiB());
  fs::remove_all(work);
  return full.Succeeded() && resumed.Succeeded() && resumed.written() == 0 &&
                 resumed.skipped == full.written()
             ? 0
             : 1;
}
