// The walk of one document's MIME entities and the parsing of a part's header, at sizes a damaged
// or hostile store may hold: a flat multipart of up to 100,000 parts, a chain of up to 200,000
// levels, and a header of up to 80,000 continuation lines. Each shape is timed at a quarter, half
// and the whole of its size: linear work doubles with the size, quadratic work quadruples.
//
//   mime_walk_bench [--folder PATH]
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "export/AttachmentFolder.h"
#include "export/BodyExtraction.h"
#include "export/EntityHeaders.h"
#include "export/FieldExtraction.h"
#include "platform/standin/Sqlite.h"
#include "platform/standin/StandInNotesClient.h"
#include "platform/standin/StoreWriter.h"

namespace {

namespace fs = std::filesystem;
using namespace mailshift;
using bench::Clock;
using bench::SecondsSince;

enum class Shape { Flat, Chain };

// A store of one document whose MIME body is a multipart with one text part, to which `count`
// entities are added below the root (flat) or each below the one before (chain), as a damaged
// store holds them: the store's own writer refuses such trees.
void WriteStore(const fs::path& store, Shape shape, std::int64_t count) {
  fs::remove(store);
  {
    standin::StoreWriter writer(store);
    writer.SetTitle("Walk");
    standin::DocumentSpec document;
    document.id = "d0";
    document.items.push_back({"Subject", standin::ItemKind::Text, {std::string("walk")}, {}});
    standin::ItemSpec body{"Body", standin::ItemKind::MimePart, {}, {}};
    standin::MimeEntitySpec root{
        "multipart", "mixed", "Content-Type: multipart/mixed; boundary=b\r\n", nullptr, {}};
    root.children.push_back(
        {"text", "plain", "Content-Type: text/plain\r\n", standin::BytesContent("top"), {}});
    body.mime = std::move(root);
    document.items.push_back(std::move(body));
    writer.AddView("($Inbox)", true, {writer.AddDocument(std::move(document))});
    writer.Commit();
  }
  standin::sqlite::Connection db(store.string(), SQLITE_OPEN_READWRITE);
  db.Execute("BEGIN");
  standin::sqlite::Statement root(
      db.get(), "SELECT id, document_id, item_position FROM mime_entities WHERE parent_id IS NULL");
  if (!root.Step()) throw std::runtime_error("no root entity");
  std::int64_t parent = root.ColumnInt64(0);
  const std::int64_t document = root.ColumnInt64(1);
  const std::int64_t item = root.ColumnInt64(2);
  standin::sqlite::Statement insert(
      db.get(),
      "INSERT INTO mime_entities (document_id, item_position, converted, parent_id, position, content_type, "
      "content_subtype, headers, size) VALUES (?1, ?2, 0, ?3, ?4, ?5, ?6, ?7, 0)");
  for (std::int64_t i = 0; i < count; ++i) {
    const bool chain = shape == Shape::Chain;
    insert.BindInt64(1, document).BindInt64(2, item).BindInt64(3, parent).BindInt64(4, chain ? 0 : i + 1);
    insert.BindText(5, chain ? "multipart" : "text").BindText(6, chain ? "mixed" : "plain");
    insert.BindText(7,
                    chain ? "Content-Type: multipart/mixed; boundary=c\r\n" : "Content-Type: text/plain\r\n");
    insert.Run();
    if (chain) parent = sqlite3_last_insert_rowid(db.get());
  }
  db.Execute("COMMIT");
}

// Reads the document's fields and body as the export run does; seconds taken.
double ReadBody(const fs::path& store, std::size_t& failures) {
  standin::StandInNotesClient client;
  auto session = client.CreateObject("Domino.NotesSession");
  session->SetConvertMIME(false);
  auto document = session->GetDatabase("", store.string())->GetView("($Inbox)")->GetFirstDocument();
  mail::AttachmentFolder folder;
  const auto start = Clock::now();
  mail::MessageFields fields = mail::ExtractMessageFields(*document, folder);
  mail::ReadMessageBody(*document, folder, fields);
  const double seconds = SecondsSince(start);
  failures = fields.extractionFailures.size();
  return seconds;
}

void TimeShape(const fs::path& store, Shape shape, std::int64_t full) {
  const char* name = shape == Shape::Flat ? "flat multipart" : "chain";
  double previous = 0;
  for (const std::int64_t count : {full / 4, full / 2, full}) {
    WriteStore(store, shape, count);
    std::size_t failures = 0;
    const double seconds = ReadBody(store, failures);
    std::printf(
        "%-15s %7lld entities: %8.3f s%s  (%zu line%s in the log)\n", name, static_cast<long long>(count),
        seconds,
        previous > 0 ? (" x" + std::to_string(seconds / previous).substr(0, 4) + " for x2").c_str() : "",
        failures, failures == 1 ? "" : "s");
    previous = seconds;
  }
}

void TimeContinuationLines(std::int64_t full) {
  double previous = 0;
  for (const std::int64_t count : {full / 4, full / 2, full}) {
    std::string header = "Content-Type: text/plain;\r\n";
    for (std::int64_t i = 0; i < count; ++i) header += "\tx-parameter" + std::to_string(i) + "=value;\r\n";
    const auto start = Clock::now();
    const auto lines = mail::ParseHeaderLines(header);
    const double seconds = SecondsSince(start);
    std::printf(
        "%-15s %7lld lines:    %8.3f s%s  (value of %zu bytes)\n", "continuation",
        static_cast<long long>(count), seconds,
        previous > 0 ? (" x" + std::to_string(seconds / previous).substr(0, 4) + " for x2").c_str() : "",
        lines.empty() ? std::size_t{0} : lines.front().value.size());
    previous = seconds;
  }
}

}  // namespace

int main(int argc, char** argv) {
  fs::path folder = fs::temp_directory_path();
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--folder" && i + 1 < argc) {
      folder = argv[++i];
    } else {
      std::fprintf(stderr, "usage: mime_walk_bench [--folder PATH]\n");
      return 2;
    }
  }
  const fs::path store = folder / ("mailshift-mime-walk-" + std::to_string(getpid()) + ".nsf");
  int exitCode = 0;
  try {
    TimeShape(store, Shape::Flat, 100'000);
    TimeShape(store, Shape::Chain, 200'000);
    TimeContinuationLines(80'000);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "mime_walk_bench: %s\n", error.what());
    exitCode = 1;
  }
  std::error_code ignored;
  fs::remove(store, ignored);
  return exitCode;
}
