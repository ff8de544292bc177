// Reading every document of a database through the Notes object model: a real Notes database
// read natively beside a stand-in store of the same number of documents.
//   bench_native_read NSF [--rounds N] [--folder DIR]
// Per round the database is opened anew and the items the export reads are read from every
// document (GetItemValue of Form, Subject, From, SendTo, CopyTo, PostedDate and Body). Reports microseconds per document, the
// best round and the median, for both readers.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "bench/LargeMailbox.h"
#include "platform/nsf/NsfNotesClient.h"
#include "platform/standin/StandInNotesClient.h"

namespace {

using namespace mailshift;

// Opens the database and reads every item of every document; gives the number of documents.
std::size_t ReadAll(notes::SessionFactory& client, const std::string& path, bool byFolder) {
  auto session = client.CreateObject(notes::kDominoSessionClass);
  auto database = session->GetDatabase("", path);
  std::size_t documents = 0;
  const auto read = [&](notes::Document& document) {
    ++documents;
    for (const char* item : {"Form", "Subject", "From", "SendTo", "CopyTo", "PostedDate", "Body"})
      static_cast<void>(document.GetItemValue(item).size());
    document.UniversalID();
  };
  if (byFolder) {
    auto view = database->GetView("Archive");
    for (auto document = view->GetFirstDocument(); document; document = view->GetNextDocument(document)) read(*document);
  } else {
    auto all = database->AllDocuments();
    for (auto document = all->GetFirstDocument(); document; document = all->GetNextDocument(document)) read(*document);
  }
  return documents;
}

void Measure(const char* what, notes::SessionFactory& client, const std::string& path, bool byFolder, int rounds) {
  std::vector<double> perDocument;
  std::size_t documents = 0;
  for (int round = 0; round < rounds; ++round) {
    const auto started = bench::Clock::now();
    documents = ReadAll(client, path, byFolder);
    perDocument.push_back(bench::SecondsSince(started) * 1e6 / static_cast<double>(std::max<std::size_t>(documents, 1)));
  }
  std::sort(perDocument.begin(), perDocument.end());
  std::printf("%-10s %6zu documents: best %8.1f us/document, median %8.1f us/document\n", what, documents,
              perDocument.front(), perDocument[perDocument.size() / 2]);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s NSF [--rounds N] [--folder DIR]\n", argv[0]);
    return 2;
  }
  const std::string nsf = argv[1];
  int rounds = 7;
  std::filesystem::path folder = std::filesystem::temp_directory_path();
  for (int i = 2; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--rounds") rounds = std::max(1, std::atoi(argv[i + 1]));
    if (option == "--folder") folder = argv[i + 1];
  }
  nsf::NsfNotesClient native;
  Measure("native", native, nsf, false, rounds);
  // A stand-in store with as many documents, all in one folder.
  const std::size_t documents = ReadAll(native, nsf, false);
  const auto store = folder / "bench-native-read.nsf";
  bench::BuildLargeMailbox(store, 2, static_cast<std::int64_t>(documents), static_cast<std::int64_t>(documents));
  standin::StandInNotesClient standIn;
  Measure("stand-in", standIn, store.string(), true, rounds);
  std::filesystem::remove(store);
  std::printf("peak memory %.1f MiB\n", bench::PeakMegabytes());
  return 0;
}
