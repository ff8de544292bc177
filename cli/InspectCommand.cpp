// mailshift-cli inspect DB [--json]: an inventory of a database before a migration, through the
// Notes object model of whichever reader reads it (see docs/inspect.md).
#include <cmath>
#include <cstdio>
#include <exception>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/ConsoleText.h"
#include "cli/ReaderOption.h"
#include "notes/NotesObjects.h"
#include "platform/SystemNotesClient.h"

namespace mailshift::cli {
namespace {

std::string JsonText(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string IsoDateTime(const DateTime& value) {
  const std::int64_t local = value.secondsSinceEpoch + std::int64_t{value.utcOffsetMinutes} * 60;
  std::int64_t days = local / 86400;
  std::int64_t seconds = local % 86400;
  if (seconds < 0) {
    seconds += 86400;
    --days;
  }
  // Days to a civil date (proleptic Gregorian).
  const std::int64_t z = days + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
  const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
  const std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
  const int offset = value.utcOffsetMinutes < 0 ? -value.utcOffsetMinutes : value.utcOffsetMinutes;
  char text[96];
  std::snprintf(text, sizeof text, "%04lld-%02lld-%02lldT%02lld:%02lld:%02lld%c%02d:%02d",
                static_cast<long long>(year), static_cast<long long>(month), static_cast<long long>(day),
                static_cast<long long>(seconds / 3600), static_cast<long long>(seconds / 60 % 60),
                static_cast<long long>(seconds % 60), value.utcOffsetMinutes < 0 ? '-' : '+', offset / 60,
                offset % 60);
  return text;
}

std::string JsonValue(const notes::ItemValue& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return JsonText(*text);
  if (const auto* number = std::get_if<double>(&value)) {
    if (!std::isfinite(*number)) return "null";
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", *number);
    return text;
  }
  return JsonText(IsoDateTime(std::get<DateTime>(value)));
}

std::string FirstText(notes::Document& document, std::string_view item) {
  const notes::ItemValues values = document.GetItemValue(item);
  return !values.empty() && std::holds_alternative<std::string>(values.front())
             ? std::get<std::string>(values.front())
             : "";
}

struct Inventory {
  std::size_t documents = 0;
  std::map<std::string, std::size_t> forms;
  std::map<std::string, std::size_t> folders;
  std::size_t inNoFolder = 0;
  std::size_t attachments = 0;
  std::size_t encrypted = 0;
  std::vector<std::string> unreadable;
};

int RunInspect(const std::string& path, bool json, const std::string& reader) {
  platform::SystemNotesClient notesClient(ChosenReader(reader));
  std::shared_ptr<notes::Database> database;
  std::string title;
  try {
    auto session = notesClient.sessions().CreateObject(notes::kDominoSessionClass);
    if (!session) session = notesClient.sessions().CreateObject(notes::kNotesSessionClass);
    if (!session) throw notes::NotesError("no Notes client");
    database = session->GetDatabase("", path);
    title = database->Title();
  } catch (const std::exception& error) {
    std::cerr << "mailshift-cli: " << TerminalText(error.what()) << '\n';
    return kExitFailed;
  }
  Inventory inventory;
  // Folder membership by universal id.
  std::map<std::string, std::vector<std::string>> folderOf;
  try {
    for (const auto& view : database->Views()) {
      if (!view->isfolder()) continue;
      const std::string name = view->Name();
      try {
        for (auto document = view->GetFirstDocument(); document; document = view->GetNextDocument(document)) {
          folderOf[document->UniversalID()].push_back(name);
          ++inventory.folders[name];
        }
      } catch (const std::exception& error) {
        inventory.unreadable.push_back("folder " + name + ": " + error.what());
      }
    }
  } catch (const std::exception& error) {
    inventory.unreadable.push_back(std::string("views: ") + error.what());
  }
  std::string documents;
  try {
    auto all = database->AllDocuments();
    for (auto document = all->GetFirstDocument(); document; document = all->GetNextDocument(document)) {
      try {
        ++inventory.documents;
        const std::string unid = document->UniversalID();
        const std::string form = FirstText(*document, "Form");
        ++inventory.forms[form];
        const auto& folders = folderOf[unid];
        if (folders.empty()) ++inventory.inNoFolder;
        const auto attachments = document->AttachmentNames();
        inventory.attachments += attachments.size();
        if (document->IsEncrypted()) ++inventory.encrypted;
        if (!json) continue;
        std::string entry = "{\"unid\": " + JsonText(unid) +
                            ", \"note_id\": " + JsonText(document->NoteID()) +
                            ", \"class\": \"document\", \"form\": " + JsonText(form) + ", \"folders\": [";
        for (std::size_t i = 0; i < folders.size(); ++i) entry += (i ? ", " : "") + JsonText(folders[i]);
        entry += "], \"attachments\": [";
        for (std::size_t i = 0; i < attachments.size(); ++i)
          entry += (i ? ", " : "") + std::string("{\"name\": ") + JsonText(attachments[i]) + "}";
        entry += "], \"items\": [";
        bool firstItem = true;
        for (const notes::ItemInfo& item : document->Items()) {
          entry += std::string(firstItem ? "" : ", ") + "{\"name\": " + JsonText(item.name) +
                   ", \"type\": " + std::to_string(item.type) +
                   ", \"summary\": " + (item.summary ? "true" : "false") + ", \"values\": [";
          for (std::size_t i = 0; i < item.values.size(); ++i)
            entry += (i ? ", " : "") + JsonValue(item.values[i]);
          entry += "]}";
          firstItem = false;
        }
        entry += "]}";
        documents += (documents.empty() ? "\n    " : ",\n    ") + entry;
      } catch (const std::exception& error) {
        inventory.unreadable.push_back(error.what());
      }
    }
  } catch (const std::exception& error) {
    inventory.unreadable.push_back(error.what());
  }
  const std::string readerName = notesClient.ReaderFor(path);
  const std::string ods = notesClient.OdsOf(path);
  if (json) {
    std::cout << "{\"title\": " << JsonText(title) << ", \"ods\": " << (ods.empty() ? "null" : ods)
              << ", \"reader\": " << JsonText(readerName) << ", \"documents\": [" << documents
              << (documents.empty() ? "" : "\n  ") << "], \"unreadable\": [";
    for (std::size_t i = 0; i < inventory.unreadable.size(); ++i)
      std::cout << (i ? ", " : "") << JsonText(inventory.unreadable[i]);
    std::cout << "]}\n";
    return kExitDone;
  }
  std::cout << "Title: " << TerminalText(title) << '\n'
            << "ODS: " << (ods.empty() ? "unknown" : ods) << '\n'
            << "Reader: " << readerName << '\n'
            << "Documents: " << inventory.documents << '\n';
  for (const auto& [form, count] : inventory.forms)
    std::cout << "  form " << TerminalText(form.empty() ? "(none)" : form) << ": " << count << '\n';
  for (const auto& [folder, count] : inventory.folders)
    std::cout << "  folder " << TerminalText(folder) << ": " << count << '\n';
  std::cout << "  in no folder: " << inventory.inNoFolder << '\n'
            << "Attachments: " << inventory.attachments << '\n'
            << "Encrypted documents: " << inventory.encrypted << '\n'
            << "Not read: " << inventory.unreadable.size() << '\n';
  for (const std::string& reason : inventory.unreadable) std::cout << "  " << TerminalText(reason) << '\n';
  return kExitDone;
}

}  // namespace

void AddInspectCommand(CLI::App& app, int& exitCode) {
  auto* command = app.add_subcommand("inspect", "Print an inventory of a Notes database before a migration");
  auto database = std::make_shared<std::string>();
  auto json = std::make_shared<bool>(false);
  auto reader = std::make_shared<std::string>();
  command->add_option("DB", *database, "the database")->required();
  command->add_flag("--json", *json, "one JSON document with every document and its items");
  AddReaderOption(command, reader);
  command->callback(
      [database, json, reader, &exitCode] { exitCode = RunInspect(*database, *json, *reader); });
}

}  // namespace mailshift::cli
