// Attachment extraction throughput and peak memory of the stand-in Notes client.
//   bench_extract_attachment [--megabytes N] [--folder DIR]
// Builds a store holding one attachment of N MiB (default 1024), made up while it is written,
// then extracts it with ExtractFile and reports MB/s and the process's peak resident memory.
// The store is built in a child process, so the peak reported is that of the extraction.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/standin/StandInNotesClient.h"
#include "platform/standin/StoreWriter.h"

namespace {

using namespace mailshift;
using Clock = std::chrono::steady_clock;

// Bytes from a fixed generator, with a running checksum of what was handed out.
class Generated : public standin::ContentSource {
 public:
  explicit Generated(std::uint64_t size) : left_(size) {}
  std::size_t Read(std::span<char> buffer) override {
    const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), left_));
    for (std::size_t i = 0; i < count; ++i) {
      state_ ^= state_ << 13;
      state_ ^= state_ >> 7;
      state_ ^= state_ << 17;
      buffer[i] = static_cast<char>(state_);
    }
    left_ -= count;
    return count;
  }

 private:
  std::uint64_t left_;
  std::uint64_t state_ = 0x9E3779B97F4A7C15ULL;
};

std::uint64_t Checksum(std::istream& in) {
  std::uint64_t sum = 1469598103934665603ULL;
  std::vector<char> buffer(1 << 20);
  while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0) {
    for (std::streamsize i = 0; i < in.gcount(); ++i)
      sum = (sum ^ static_cast<unsigned char>(buffer[i])) * 1099511628211ULL;
  }
  return sum;
}

std::uint64_t ChecksumOfGenerated(std::uint64_t size) {
  Generated generated(size);
  std::uint64_t sum = 1469598103934665603ULL;
  std::vector<char> buffer(1 << 20);
  while (const std::size_t got = generated.Read(buffer)) {
    for (std::size_t i = 0; i < got; ++i)
      sum = (sum ^ static_cast<unsigned char>(buffer[i])) * 1099511628211ULL;
  }
  return sum;
}

long PeakKilobytes(int who) {
  rusage usage{};
  getrusage(who, &usage);
  return usage.ru_maxrss;
}

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

void BuildStore(const std::filesystem::path& store, std::uint64_t bytes) {
  standin::StoreWriter writer(store);
  standin::DocumentSpec document;
  document.id = "big";
  standin::ItemSpec body{"Body", standin::ItemKind::RichText, {std::string("see attached")}, {}};
  body.embedded.push_back(
      standin::EmbeddedSpec{"big.bin", notes::kFileAttachmentType, std::make_unique<Generated>(bytes)});
  document.items.push_back(std::move(body));
  writer.AddView("($Inbox)", true, {writer.AddDocument(std::move(document))});
  writer.Commit();
}

}  // namespace

int main(int argc, char** argv) {
  std::uint64_t megabytes = 1024;
  std::filesystem::path folder = std::filesystem::temp_directory_path();
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--megabytes" && i + 1 < argc) {
      megabytes = std::strtoull(argv[++i], nullptr, 10);
    } else if (argument == "--folder" && i + 1 < argc) {
      folder = argv[++i];
    } else {
      std::fprintf(stderr, "usage: %s [--megabytes N] [--folder DIR]\n", argv[0]);
      return 2;
    }
  }
  const std::uint64_t bytes = megabytes << 20;
  const auto store = folder / ("mailshift-bench-" + std::to_string(getpid()) + ".nsf");
  const auto target = folder / ("mailshift-bench-" + std::to_string(getpid()) + ".bin");

  std::printf("attachment: %llu MiB\n", static_cast<unsigned long long>(megabytes));
  const auto buildStart = Clock::now();
  const pid_t child = fork();
  if (child == 0) {
    try {
      BuildStore(store, bytes);
      _exit(0);
    } catch (const std::exception& error) {
      std::fprintf(stderr, "build failed: %s\n", error.what());
      _exit(1);
    }
  }
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return 1;
  const double buildSeconds = Seconds(buildStart);
  std::printf("build:   %.2f s, %.0f MB/s, peak memory of the builder %ld KiB, store %.1f MiB\n",
              buildSeconds, static_cast<double>(bytes) / 1e6 / buildSeconds, PeakKilobytes(RUSAGE_CHILDREN),
              static_cast<double>(std::filesystem::file_size(store)) / 1048576.0);

  const long peakBefore = PeakKilobytes(RUSAGE_SELF);
  int exitCode = 0;
  try {
    standin::StandInNotesClient client;
    const auto object = client.CreateObject("Domino.NotesSession")
                            ->GetDatabase("", store.string())
                            ->GetView("($Inbox)")
                            ->GetFirstDocument()
                            ->GetFirstItem("Body")
                            ->EmbeddedObjects()
                            .at(0);
    const auto extractStart = Clock::now();
    object->ExtractFile(target.string());
    const double extractSeconds = Seconds(extractStart);
    const long peakAfter = PeakKilobytes(RUSAGE_SELF);
    std::printf("extract: %.2f s, %.0f MB/s\n", extractSeconds,
                static_cast<double>(bytes) / 1e6 / extractSeconds);
    std::printf("peak memory: %ld KiB before extraction, %ld KiB after (grew %ld KiB for %llu MiB)\n",
                peakBefore, peakAfter, peakAfter - peakBefore, static_cast<unsigned long long>(megabytes));

    std::ifstream extracted(target, std::ios::binary);
    const bool same =
        std::filesystem::file_size(target) == bytes && Checksum(extracted) == ChecksumOfGenerated(bytes);
    std::printf("content: %s\n", same ? "identical" : "DIFFERENT");
    if (!same) exitCode = 1;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "extraction failed: %s\n", error.what());
    exitCode = 1;
  }
  std::error_code ignored;
  std::filesystem::remove(store, ignored);
  std::filesystem::remove(target, ignored);
  return exitCode;
}
