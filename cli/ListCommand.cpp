// mailshift-cli list DB TAG: the preview rows of one folder, cells separated by a tab.
#include <exception>
#include <iostream>
#include <string>

#include "cli/Commands.h"
#include "cli/ConsoleText.h"
#include "cli/FolderNames.h"
#include "cli/ReaderOption.h"
#include "cli/ScanText.h"
#include "notes/FolderCatalogue.h"
#include "notes/FolderTree.h"
#include "notes/MailPreview.h"
#include "notes/MailScan.h"
#include "platform/SystemNotesClient.h"

namespace mailshift::cli {
namespace {

// Whether the database has the view of a folder tag; a database that cannot be opened again has
// none, and the listing then tells why.
bool HasViewOf(notes::Session& session, const std::string& database, const std::string& tag) {
  try {
    const auto opened = session.GetDatabase("", database);
    return opened && opened->GetView(notes::ViewNameOf(tag)) != nullptr;
  } catch (const std::exception&) {
    return true;
  }
}

int RunList(const std::string& database, const std::string& name, const std::string& reader) {
  platform::SystemNotesClient notesClient(ChosenReader(reader));
  // The scan tells why a database cannot be read, and its tree what the name means.
  const notes::ScanResult scan = ScanOrSayWhyNot(notesClient.sessions(), database);
  if (scan.end != notes::ScanEnd::Completed) return kExitFailed;

  // The root names no folder: nothing to list.
  if (name.empty()) return kExitDone;
  const FolderLookup lookup = FindFolder(scan.nodes, name);
  if (lookup.nodes.size() != 1) {
    std::cerr << "mailshift-cli: " << TerminalText(database) << ": "
              << TerminalText(FolderLookupProblem(scan.nodes, name, lookup)) << '\n';
    return kExitBadArguments;
  }
  // "Folders" and the levels that only hold folders have no messages of their own.
  const std::string& tag = scan.nodes[lookup.nodes.front()].tag;
  if (tag.empty() || tag == notes::kFoldersKey) return kExitDone;
  // The scan shows a standard folder whose view the database lacks with 0 messages.
  if (notes::StandardFolderByTag(tag) != nullptr && !HasViewOf(*scan.session, database, tag))
    return kExitDone;

  const std::string failure = notes::ListPreviewRows(
      *scan.session, database, tag,
      [](const notes::PreviewRow& row) { std::cout << TerminalText(notes::PreviewRowText(row)) << '\n'; });
  if (!failure.empty()) {
    std::cerr << "mailshift-cli: cannot list " << TerminalText(name) << ": " << TerminalText(failure) << '\n';
    return kExitFailed;
  }
  return kExitDone;
}

}  // namespace

void AddListCommand(CLI::App& app, int& exitCode) {
  auto* command = app.add_subcommand("list", "List the messages of one folder as the preview shows them");
  auto database = std::make_shared<std::string>();
  auto tag = std::make_shared<std::string>();
  command->add_option("DB", *database, "the mail database")->required();
  command
      ->add_option("FOLDER", *tag,
                   "the folder, as scan shows it (\"Follow Up\", \"Projects\\2008\") or by its tag "
                   "(Inbox, Drafts, Sent, Follow-Up, JunkMail, Trash or a user folder's name), in any "
                   "letter case")
      ->required();
  auto reader = std::make_shared<std::string>();
  AddReaderOption(command, reader);
  command->callback([database, tag, reader, &exitCode] { exitCode = RunList(*database, *tag, *reader); });
}

}  // namespace mailshift::cli
