// Exports a mailbox held in memory in which every third document is mail stored as MIME (text,
// HTML and a picture) and every third rich text converting to text, HTML and a picture, through
// the whole export run, the message writer and the composer; then writes the very same output
// tree again with plain writes. Prints both times, their ratio and the export's peak memory, and
// the peak memory of one message with a 256 MiB picture.
//
//   mime_body_bench [--documents N] [--folder PATH] [--store]
//
// --store: the same mailbox written into a stand-in store (MIME items, rich text with its stored
// conversion) and exported through the built-in stand-in, whose parts stream from SQLite.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "export/ComponentItemWriter.h"
#include "export/ExportPlan.h"
#include "notes/testing/MemoryNotes.h"
#include "platform/mime/MailComposer.h"
#include "platform/standin/StandInNotesClient.h"
#include "platform/standin/StoreWriter.h"

namespace {

namespace fs = std::filesystem;
using namespace mailshift;
using notes::testing::MemoryDocument;
using notes::testing::MemoryMimeEntity;

void ResetPeakMemory() { std::ofstream("/proc/self/clear_refs") << "5"; }
double MemoryMiB(const std::string& field) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(field, 0) == 0) return std::stod(line.substr(field.size())) / 1024.0;
  }
  return 0;
}

MemoryMimeEntity Leaf(const std::string& type, const std::string& subType, const std::string& headers,
                      std::string content) {
  return {type, subType, "Content-Type: " + type + "/" + subType + headers + "\r\n", std::move(content),
          {},   false};
}

// text and HTML showing one picture, as a Notes client gives them.
MemoryMimeEntity Related(const std::string& text, const std::string& picture, std::size_t number) {
  const std::string id = "pic" + std::to_string(number) + "@bench";
  return {"multipart",
          "related",
          "Content-Type: multipart/related; boundary=r\r\n",
          "",
          {{"multipart",
            "alternative",
            "Content-Type: multipart/alternative; boundary=a\r\n",
            "",
            {Leaf("text", "plain", "; charset=UTF-8", text),
             Leaf("text", "html", "; charset=UTF-8", "<p>" + text + "</p><img src=\"cid:" + id + "\">")},
            false},
           Leaf("image", "png", "\r\nContent-ID: <" + id + ">", picture)},
          false};
}

std::string Bytes(std::size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 2654435761u + seed) >> 13);
  return bytes;
}

void FillMailbox(notes::testing::MemoryDatabase& database, std::int64_t documents,
                 const std::string& picture) {
  auto& inbox = database.AddView("($Inbox)", true);
  for (std::int64_t i = 0; i < documents; ++i) {
    const std::string text =
        "Message " + std::to_string(i) + ": the figures for this week are attached below.";
    MemoryDocument document;
    document.Text("Subject", {"Weekly figures " + std::to_string(i)})
        .Text("From", {"Ann Lee/Org"})
        .Text("INetFrom", {"ann@corp.example"})
        .Text("SendTo", {"Bob Ray/Org"})
        .Text("InetSendTo", {"bob@corp.example"})
        .Date("PostedDate", DateTime{1225895400 + i * 60, 60});
    if (i % 3 == 1) {
      document.Text("Body", {text});
      document.mimeBody = Related(text, picture, static_cast<std::size_t>(i));
    } else {
      document.Body(text);
      if (i % 3 == 2) document.convertedBody = Related(text, picture, static_cast<std::size_t>(i));
    }
    inbox.documents.push_back(database.AddDocument(std::move(document)));
  }
}

// The stand-in store's form of Related(): the same entities and bytes.
standin::MimeEntitySpec StoredEntity(const MemoryMimeEntity& entity) {
  standin::MimeEntitySpec stored{entity.type, entity.subType, entity.headers, nullptr, {}};
  if (entity.children.empty()) stored.content = standin::BytesContent(entity.content);
  for (const MemoryMimeEntity& child : entity.children) stored.children.push_back(StoredEntity(child));
  return stored;
}

// The mailbox of FillMailbox as a stand-in store.
void WriteStore(const fs::path& store, const notes::testing::MemoryDatabase& database) {
  standin::StoreWriter writer(store);
  writer.SetTitle("Bench");
  std::vector<std::int64_t> keys;
  std::int64_t number = 0;
  for (const MemoryDocument& document : database.documents) {
    standin::DocumentSpec written;
    written.id = "d" + std::to_string(number++);
    for (const auto& item : document.items) {
      const bool body = item.name == "Body";
      if (body && document.mimeBody) {
        standin::ItemSpec mime{"Body", standin::ItemKind::MimePart, {}, {}};
        mime.mime = StoredEntity(*document.mimeBody);
        written.items.push_back(std::move(mime));
        continue;
      }
      const bool date = !item.values.empty() && std::holds_alternative<DateTime>(item.values.front());
      standin::ItemSpec stored{item.name,
                               item.richText ? standin::ItemKind::RichText
                               : date        ? standin::ItemKind::DateTime
                                             : standin::ItemKind::Text,
                               item.values,
                               {}};
      if (body && document.convertedBody) stored.mime = StoredEntity(*document.convertedBody);
      written.items.push_back(std::move(stored));
    }
    keys.push_back(writer.AddDocument(std::move(written)));
  }
  writer.AddView("($Inbox)", true, keys);
  writer.Commit();
}

struct TreeFile {
  fs::path relative;
  std::string content;
};

std::vector<TreeFile> ReadTree(const fs::path& root) {
  std::vector<TreeFile> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_directory()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    files.push_back({entry.path().lexically_relative(root), content.str()});
  }
  return files;
}

bool WritePlain(const std::vector<TreeFile>& files, const fs::path& root) {
  for (const TreeFile& file : files) {
    fs::create_directories((root / file.relative).parent_path());
    std::FILE* out = std::fopen((root / file.relative).c_str(), "wb");
    if (out == nullptr ||
        std::fwrite(file.content.data(), 1, file.content.size(), out) != file.content.size() ||
        std::fclose(out) != 0) {
      return false;
    }
  }
  return true;
}

mail::ExportReport ExportInto(notes::SessionFactory& client, const fs::path& destination, const fs::path& log,
                              const std::string& database = "/bench/mail.nsf") {
  mail::ExportPlan plan;
  plan.databasePath = database;
  plan.title = "Bench";
  plan.destination = destination.string();
  plan.folders = {"Inbox"};
  plan.logPath = log.string();
  auto component = platform::CreateMailComposer();
  mail::ComponentItemWriter writer(*component);
  mail::ExportObserver quiet;
  return mail::Export(plan, {client, writer}, quiet);
}

}  // namespace

int main(int argc, char** argv) {
  std::int64_t documents = 3000;
  fs::path base = fs::temp_directory_path();
  bool overStore = false;
  for (int i = 1; i < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--store") {
      overStore = true;
      --i;
    } else if (i + 1 >= argc) {
      std::cerr << "usage: mime_body_bench [--documents N] [--folder PATH] [--store]\n";
      return 2;
    } else if (option == "--documents") {
      documents = std::atoll(argv[i + 1]);
    } else if (option == "--folder") {
      base = argv[i + 1];
    } else {
      std::cerr << "usage: mime_body_bench [--documents N] [--folder PATH] [--store]\n";
      return 2;
    }
  }
  const fs::path work = base / "mailshift-mime-bench";
  fs::remove_all(work);
  fs::create_directories(work / "temp");
  setenv("TMPDIR", (work / "temp").c_str(), 1);

  notes::testing::MemoryNotesClient client;
  FillMailbox(client.AddDatabase("/bench/mail.nsf"), documents, Bytes(40 * 1024, 1));
  standin::StandInNotesClient standIn;
  if (overStore) {
    WriteStore(work / "mail.nsf", client.database("/bench/mail.nsf"));
    client.database("/bench/mail.nsf").documents.clear();  // the store alone holds them now
  }

  ResetPeakMemory();
  const double before = MemoryMiB("VmRSS:");
  const auto started = bench::Clock::now();
  const mail::ExportReport report =
      overStore ? ExportInto(standIn, work / "out", work / "Log.txt", (work / "mail.nsf").string())
                : ExportInto(client, work / "out", work / "Log.txt");
  const double exported = bench::SecondsSince(started);
  const double peak = MemoryMiB("VmHWM:");
  if (report.end != mail::ExportEnd::Completed || report.notWritten != 0 || report.incomplete != 0) {
    std::cerr << "mime_body_bench: the export did not write every message whole\n";
    return 1;
  }
  const std::vector<TreeFile> tree = ReadTree(work / "out");
  const auto plainStarted = bench::Clock::now();
  if (!WritePlain(tree, work / "plain")) {
    std::cerr << "mime_body_bench: the plain writes failed\n";
    return 1;
  }
  const double plain = bench::SecondsSince(plainStarted);
  std::printf("documents:                 %lld (a third MIME, a third rich text with a picture), %s\n",
              static_cast<long long>(documents), overStore ? "over the stand-in store" : "in memory");
  std::printf("export run:                %.2f s\n", exported);
  std::printf("same tree by plain writes: %.2f s\n", plain);
  std::printf("the export takes:          %.1fx the time\n", exported / std::max(plain, 1e-6));
  std::printf("peak memory (export run):  %.1f MiB (%.1f MiB resident before it)\n", peak, before);

  // One message with a picture of 256 MiB: memory must not follow the part's size.
  notes::testing::MemoryNotesClient large;
  FillMailbox(large.AddDatabase("/bench/mail.nsf"), 2, std::string());
  large.database("/bench/mail.nsf").documents[1].mimeBody->children[1].content.assign(256u << 20, 'x');
  if (overStore) {
    WriteStore(work / "large.nsf", large.database("/bench/mail.nsf"));
    large.database("/bench/mail.nsf").documents.clear();
  }
  fs::remove_all(work / "out");
  ResetPeakMemory();
  const double largeBefore = MemoryMiB("VmRSS:");
  if (overStore) {
    ExportInto(standIn, work / "out", work / "Log-large.txt", (work / "large.nsf").string());
  } else {
    ExportInto(large, work / "out", work / "Log-large.txt");
  }
  std::printf(
      "a 256 MiB picture:         peak %.1f MiB (%.1f MiB resident before it, the picture among it)\n",
      MemoryMiB("VmHWM:"), largeBefore);
  fs::remove_all(work);
  return 0;
}
