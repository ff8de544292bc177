// Opening the manifest of a very large earlier export: a generated manifest of many lines (by
// default about 3.6 million, some 311 MB, lines of the older three-field form among them) is read
// as a run reads it, and a lookup per recorded message follows. Prints the file's size, the
// seconds and the peak memory, which should stay near the file's size and not a multiple of it.
//
//   bench_manifest [--lines N] [--folder DIR]
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/BenchSupport.h"
#include "export/ExportManifest.h"
#include "export/SafeFiles.h"

namespace {

using namespace mailshift;
namespace fs = std::filesystem;

std::string Hex32(std::uint64_t number) {
  char text[33];
  std::snprintf(text, sizeof text, "%016llX%016llX", static_cast<unsigned long long>(number * 2654435761u),
                static_cast<unsigned long long>(number));
  return text;
}

std::string FolderOf(std::uint64_t line) {
  return line % 10 < 6 ? "Inbox" : "Projects-" + std::to_string(line % 40);
}

void WriteManifest(const fs::path& file, std::uint64_t lines) {
  std::FILE* out = std::fopen(file.c_str(), "wb");
  if (out == nullptr) std::exit(2);
  std::fputs("Corvane Mailshift export manifest 1\r\n", out);
  for (std::uint64_t line = 0; line < lines; ++line) {
    const std::string folder = FolderOf(line);
    if (line % 7 == 0) {  // a line of a run before sizes were recorded
      std::fprintf(out, "%s\t%s\tRe Quarterly figures for review %llu.eml\r\n", folder.c_str(),
                   Hex32(line).c_str(), static_cast<unsigned long long>(line));
    } else {
      std::fprintf(out, "%s\t%s\tRe Quarterly figures for review %llu.eml\t%llu%s\r\n", folder.c_str(),
                   Hex32(line).c_str(), static_cast<unsigned long long>(line),
                   static_cast<unsigned long long>(1000 + line % 90000), line % 97 == 0 ? "\tpart" : "");
    }
  }
  std::fclose(out);
}

}  // namespace

int main(int argc, char** argv) {
  std::uint64_t lines = 3600000;
  fs::path folder = fs::temp_directory_path();
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--lines") lines = std::strtoull(argv[i + 1], nullptr, 10);
    if (option == "--folder") folder = argv[i + 1];
  }
  const fs::path work = folder / ("bench-manifest-" + std::to_string(getpid()));
  fs::create_directories(work);
  WriteManifest(work / std::string(mail::kManifestFileName), lines);
  const double megabytes =
      static_cast<double>(fs::file_size(work / std::string(mail::kManifestFileName))) / 1048576.0;
  const double before = bench::PeakMegabytes();

  int failures = 0;
  {
    mail::HeldRoot root;
    if (root.Hold(work.string() + "/") != 0) return 2;
    auto started = bench::Clock::now();
    const mail::ExportManifest manifest(root.folder(), false);
    const double readSeconds = bench::SecondsSince(started);
    started = bench::Clock::now();
    for (std::uint64_t line = 0; line < lines; ++line) {
      if (!manifest.Find(FolderOf(line), Hex32(line))) ++failures;
    }
    const double findSeconds = bench::SecondsSince(started);
    std::printf(
        "manifest of %llu lines, %.0f MB: read in %.2f s, %llu lookups in %.2f s; peak memory %.0f MB (%.0f "
        "MB "
        "before reading)\n",
        static_cast<unsigned long long>(lines), megabytes, readSeconds,
        static_cast<unsigned long long>(lines), findSeconds, bench::PeakMegabytes(), before);
    if (!manifest.problem().empty()) std::printf("problem: %s\n", manifest.problem().c_str());
  }
  fs::remove_all(work);
  return failures == 0 ? 0 : 1;
}
