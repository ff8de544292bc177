// Exports the 20,000-document sample mailbox through the stand-in Notes client, the message
// writer and the composer, and then writes the very same output tree (the same folders, file
// names and bytes) again from memory with plain writes, in the same run. Prints the time, the
// CPU time and the ratio of the two, and the peak memory of the export.
//
//   export_run_bench [--documents N] [--folder PATH] [--rounds N] [--mixed]
//
// --mixed: the sample in which every third mail document shows a 40 KB picture inline, stored as
// MIME (text, HTML and the picture) or as rich text with its conversion to the same.
//
// Each round (seven unless told) exports into a fresh place and then writes the first round's
// tree plainly; the ratios reported are the median of the rounds' and the best round's.
//
// Where to measure: a folder in RAM (--folder /dev/shm) shows what the program itself costs. On
// a disk the file system adds its own: ext4 without a journal, for one, looks through every inode
// freed in the last half minute each time it makes a file, so files deleted on the machine shortly
// before or during the run (by this run's extracted attachments, or by any other program) slow
// every file made after them, the plain writes as much as the export.
#include <sys/resource.h>
#include <sys/vfs.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "bench/SampleExport.h"
#include "export/ComponentItemWriter.h"
#include "export/ExportPlan.h"
#include "platform/mime/MailComposer.h"
#include "platform/standin/StoreFixture.h"

namespace {

namespace fs = std::filesystem;
using namespace mailshift;

// Time spent: elapsed, and the CPU time of this process in user and in system mode.
struct Spent {
  double elapsed = 0;
  double user = 0;
  double system = 0;
};

class Stopwatch {
 public:
  Stopwatch() : started_(bench::Clock::now()), usage_(Usage()) {}
  Spent Read() const {
    const rusage now = Usage();
    return {bench::SecondsSince(started_), Seconds(now.ru_utime) - Seconds(usage_.ru_utime),
            Seconds(now.ru_stime) - Seconds(usage_.ru_stime)};
  }

 private:
  static rusage Usage() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage;
  }
  static double Seconds(const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
  }
  bench::Clock::time_point started_;
  rusage usage_;
};

// The peak resident memory since ResetPeakMemory (VmHWM), in MiB; the store written before the
// export does not count.
void ResetPeakMemory() { std::ofstream("/proc/self/clear_refs") << "5"; }
// A memory line of /proc/self/status ("VmHWM:" the peak, "VmRSS:" the present), in MiB.
double MemoryMiB(const std::string& field) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(field, 0) == 0) return std::stod(line.substr(field.size())) / 1024.0;  // in kB
  }
  return 0;
}

struct TreeFile {
  fs::path relative;
  std::string content;
};

struct Tree {
  std::vector<fs::path> folders;  // parents before children
  std::vector<TreeFile> files;    // in the order the export wrote them
  std::uintmax_t bytes = 0;
};

Tree ReadTree(const fs::path& root) {
  Tree tree;
  std::vector<std::pair<fs::file_time_type, TreeFile>> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const fs::path relative = entry.path().lexically_relative(root);
    if (entry.is_directory()) {
      tree.folders.push_back(relative);
      continue;
    }
    std::ifstream in(entry.path(), std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    tree.bytes += content.str().size();
    files.push_back({entry.last_write_time(), TreeFile{relative, content.str()}});
  }
  std::sort(tree.folders.begin(), tree.folders.end());
  std::stable_sort(files.begin(), files.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& [time, file] : files) tree.files.push_back(std::move(file));
  return tree;
}

// The plain way to the same tree: make the folders, then open, write and close each file.
bool WritePlain(const Tree& tree, const fs::path& root) {
  fs::create_directory(root);
  for (const fs::path& folder : tree.folders) fs::create_directory(root / folder);
  for (const TreeFile& file : tree.files) {
    std::FILE* out = std::fopen((root / file.relative).c_str(), "wb");
    if (out == nullptr ||
        std::fwrite(file.content.data(), 1, file.content.size(), out) != file.content.size() ||
        std::fclose(out) != 0) {
      return false;
    }
  }
  return true;
}

constexpr unsigned long kTmpfs = 0x01021994;

bool IsInMemory(const fs::path& folder) {
  struct statfs about {};
  return statfs(folder.c_str(), &about) == 0 && static_cast<unsigned long>(about.f_type) == kTmpfs;
}

// The kind of file system the folder is on, as far as the benchmark tells them apart.
std::string FileSystemKind(const fs::path& folder) {
  struct statfs about {};
  if (statfs(folder.c_str(), &about) != 0) return "unknown";
  switch (static_cast<unsigned long>(about.f_type)) {
    case kTmpfs:
      return "tmpfs (in memory)";
    case 0xEF53:
      return "ext2/3/4";
    case 0x9123683E:
      return "btrfs";
    case 0x58465342:
      return "xfs";
    default:
      return "other";
  }
}

void PrintSpent(const char* what, const Spent& spent, double megabytes) {
  std::printf("%-32s%6.2f s (user %.2f s, system %.2f s), %.1f MB/s\n", what, spent.elapsed, spent.user,
              spent.system, megabytes / spent.elapsed);
}

// One round: an export into a fresh place, then the plain writes of the first round's tree.
struct Round {
  Spent exported;
  Spent plain;
  double TimeRatio() const { return exported.elapsed / plain.elapsed; }
  double CpuRatio() const { return (exported.user + exported.system) / (plain.user + plain.system); }
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  standin::SampleOptions sample;
  sample.documents = 20000;
  fs::path base = fs::temp_directory_path();
  int rounds = 7;
  if (!bench::ReadSampleArguments(argc, argv, "export_run_bench", sample, base, &rounds)) return 2;
  bench::SampleExport prepared = bench::PrepareSampleExport(base, "mailshift-export-bench", sample);
  const fs::path& work = prepared.work;
  auto component = platform::CreateMailComposer();
  mail::ComponentItemWriter writer(*component);
  std::vector<Round> measured;
  mail::ExportReport result;
  Tree tree;
  double before = 0;
  double peak = 0;
  const bool inMemory = IsInMemory(work);
  for (int round = 0; round < rounds; ++round) {
    // On a disk nothing is removed between the rounds: on some file systems removed files slow the
    // files made after them. In memory each round's trees are removed after it, as they would
    // otherwise fill the memory the later rounds write into.
    const fs::path out = round == 0 ? work / "out" : work / ("out-" + std::to_string(round));
    fs::create_directories(out);
    prepared.plan.destination = out.string();
    if (round == 0) {
      ResetPeakMemory();
      before = MemoryMiB("VmRSS:");
    }
    Round spent;
    const Stopwatch exportWatch;
    result = bench::ExportSample(prepared, writer, work / ("Log-" + std::to_string(round) + ".txt"));
    spent.exported = exportWatch.Read();
    if (round == 0) {
      peak = MemoryMiB("VmHWM:");
      tree = ReadTree(out);
    }
    const Stopwatch plainWatch;
    if (!WritePlain(tree, work / ("plain-" + std::to_string(round)))) {
      std::cerr << "cannot write a plain file\n";
      return 1;
    }
    spent.plain = plainWatch.Read();
    measured.push_back(spent);
    if (inMemory) {
      fs::remove_all(out);
      fs::remove_all(work / ("plain-" + std::to_string(round)));
    }
  }
  const double megabytes = static_cast<double>(tree.bytes) / 1e6;

  std::printf("measured in:                    %s, on %s\n", work.c_str(), FileSystemKind(work).c_str());
  std::printf("documents in the sample:        %lld%s\n", static_cast<long long>(sample.documents),
              sample.mixedBodies ? " (every third mail with a picture, as MIME or converted rich text)" : "");
  std::printf("messages handed to the writer:  %lld (%lld not written, %lld in part)\n",
              static_cast<long long>(result.messages), static_cast<long long>(result.notWritten),
              static_cast<long long>(result.incomplete));
  std::printf("output tree:                    %zu files in %zu folders, %.1f MB\n", tree.files.size(),
              tree.folders.size(), megabytes);
  std::vector<double> timeRatios;
  std::vector<double> cpuRatios;
  for (std::size_t round = 0; round < measured.size(); ++round) {
    const Round& spent = measured[round];
    std::printf("round %zu\n", round + 1);
    PrintSpent("  export run:", spent.exported, megabytes);
    std::printf("                                %.0f messages/s\n",
                static_cast<double>(result.messages) / spent.exported.elapsed);
    PrintSpent("  same tree by plain writes:", spent.plain, megabytes);
    std::printf("  the export takes:             %.1fx the time, %.1fx the CPU time\n", spent.TimeRatio(),
                spent.CpuRatio());
    timeRatios.push_back(spent.TimeRatio());
    cpuRatios.push_back(spent.CpuRatio());
  }
  std::printf("the export takes (median of %zu): %.1fx the time, %.1fx the CPU time\n", measured.size(),
              Median(timeRatios), Median(cpuRatios));
  // What the machine adds (another program, a core taken away for a while) only ever lengthens a
  // round, and the export's two threads more than the plain writes' one: the best round is what the
  // program itself costs.
  std::printf("the export takes (best round):  %.1fx the time, %.1fx the CPU time\n",
              *std::min_element(timeRatios.begin(), timeRatios.end()),
              *std::min_element(cpuRatios.begin(), cpuRatios.end()));
  std::printf("peak memory (export run):       %.1f MiB (%.1f MiB resident before it)\n", peak, before);
  fs::remove_all(work);
  return result.Succeeded() ? 0 : 1;
}
