// Prints the scan transcript of a fixture over the built-in stand-in Notes client, with the
// dates written as instants, for comparison with the COM binding under Windows.
//   mailshift_standin_scan_transcript FIXTURE.json
#include <cstdio>
#include <exception>
#include <filesystem>
#include <random>
#include <string>

#include "notes/testing/ScanTranscript.h"
#include "platform/standin/StandInNotesClient.h"
#include "platform/standin/StoreFixture.h"

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  if (argc != 2) {
    std::fprintf(stderr, "usage: mailshift_standin_scan_transcript FIXTURE.json\n");
    return 2;
  }
  fs::path folder;
  try {
    folder = fs::temp_directory_path() / ("mailshift-transcript-" + std::to_string(std::random_device{}()));
    fs::create_directories(folder);
    const fs::path store = folder / "mailbox.nsf";
    mailshift::standin::BuildStoreFromFile(argv[1], store);
    mailshift::standin::StandInNotesClient client;
    const std::string transcript = mailshift::notes::testing::ScanTranscript(client, store.string(), {true});
    std::fwrite(transcript.data(), 1, transcript.size(), stdout);
    fs::remove_all(folder);
    return 0;
  } catch (const std::exception& error) {
    std::error_code ignored;
    if (!folder.empty()) fs::remove_all(folder, ignored);
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
}
