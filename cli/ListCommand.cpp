// mailshift-cli list DB TAG: the preview rows of one folder, cells separated by a tab.
#include <iostream>
#include <string>

#include "cli/Commands.h"
#include "cli/ConsoleText.h"
#include "notes/FolderCatalogue.h"
#include "notes/FolderTree.h"
#include "notes/MailPreview.h"
#include "notes/MailScan.h"
#include "notes/SessionOrigin.h"
#include "platform/SystemNotesClient.h"

namespace mailshift::cli {
namespace {

int RunList(const std::string& database, const std::string& tag) {
  platform::SystemNotesClient notesClient;
  const std::shared_ptr<notes::Session> session = notes::ObtainSession(notesClient.sessions()).session;
  if (!session) {
    std::cerr << "No Notes session could be created.\n";
    return kExitFailed;
  }

  // The preview lists quietly; here the reader's reason for a database it cannot read is told.
  bool standardFolderWithoutView = false;
  try {
    const auto opened = session->GetDatabase("", database);
    if (!opened) throw notes::NotesError("the database could not be opened");
    opened->Views();
    // The scan shows a standard folder whose view the database lacks with 0 messages.
    standardFolderWithoutView =
        notes::StandardFolderByTag(tag) != nullptr && !opened->GetView(notes::ViewNameOf(tag));
  } catch (const std::exception& error) {
    std::cerr << notes::kNoDataText << "\n(" << TerminalText(error.what()) << ")\n";
    return kExitFailed;
  }

  // The root and the "Folders" node hold no messages of their own: nothing to list.
  if (tag.empty() || tag == notes::kFoldersKey || standardFolderWithoutView) return kExitDone;

  const std::string failure = notes::ListPreviewRows(
      *session, database, tag,
      [](const notes::PreviewRow& row) { std::cout << TerminalText(notes::PreviewRowText(row)) << '\n'; });
  if (!failure.empty()) {
    std::cerr << "mailshift-cli: cannot list " << TerminalText(tag) << ": " << TerminalText(failure) << '\n';
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
      ->add_option("TAG", *tag,
                   "the folder tag: Inbox, Drafts, Sent, Follow-Up, JunkMail, Trash or a "
                   "user folder's name")
      ->required();
  command->callback([database, tag, &exitCode] { exitCode = RunList(*database, *tag); });
}

}  // namespace mailshift::cli
