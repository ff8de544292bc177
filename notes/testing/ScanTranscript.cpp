#include "notes/testing/ScanTranscript.h"

#include <sstream>

#include "common/DateText.h"
#include "common/ProgramValues.h"
#include "common/TextRules.h"
#include "common/testing/FakeControls.h"
#include "notes/NotesState.h"
#include "notes/Preview.h"
#include "notes/Scan.h"
#include "notes/SessionOrigin.h"

namespace mailshift::notes::testing {
namespace {

const char* EndName(const ScanOutcome& scan) {
  if (!scan.started) return "not started";
  switch (scan.result.end) {
    case ScanEnd::NotInstalled:
      return "Notes not installed";
    case ScanEnd::NoData:
      return "no data";
    case ScanEnd::Stopped:
      return "stopped";
    case ScanEnd::Completed:
      return "completed";
  }
  return "?";
}

// Line breaks and tabs shown, so that one transcript line stays one line.
std::string Visible(const std::string& text) {
  std::string shown;
  for (const char c : text) {
    if (c == '\r') {
      shown += "\\r";
    } else if (c == '\n') {
      shown += "\\n";
    } else if (c == '\t') {
      shown += " | ";
    } else {
      shown += c;
    }
  }
  return shown;
}

std::string Row(const std::string& row, const TranscriptOptions& options) {
  if (!options.datesAsInstants) return Visible(row);
  std::vector<std::string> cells = Split(row, '\t');
  if (cells.size() == 4 && !cells[3].empty()) {
    if (const auto when = ParseDateText(cells[3])) cells[3] = "@" + std::to_string(when->secondsSinceEpoch);
  }
  return Visible(Join(cells, "\t"));
}

// The universal id of every document of every view, in view order, by which the export will tell
// documents apart.
void WriteUniversalIds(SessionFactory& factory, const std::string& path, std::ostream& out) {
  try {
    const auto session = ObtainSession(factory).session;
    if (!session) {
      out << "universal ids: no session\n";
      return;
    }
    const auto database = session->GetDatabase("", path);
    for (const auto& view : database->Views()) {
      out << "universal ids of \"" << Visible(view->Name()) << "\":";
      for (auto document = view->GetFirstDocument(); document; document = view->GetNextDocument(document)) {
        const std::string id = document->UniversalID();
        out << " " << (id.empty() ? "(none)" : Visible(id));
      }
      out << "\n";
    }
  } catch (const NotesError&) {
    // The reason names the file, which differs between the clients compared.
    out << "universal ids: stopped by a Notes error\n";
  }
}

}  // namespace

std::string ScanTranscript(SessionFactory& factory, const std::string& path,
                           const TranscriptOptions& options) {
  mailshift::testing::FakeMainWindow window;
  window.txtNotesDatabaseFile.SetCaption(path);
  MainWindowControls controls = window.controls();
  NotesState notes;
  ProgramValues values;
  std::ostringstream out;

  const ScanOutcome scan = CmdScan_Click(controls, factory, notes, values);
  out << "scan: " << EndName(scan) << ", " << scan.result.skippedFailures.size()
      << " failures stepped over\n";
  for (const auto& message : window.Messages.shown) {
    out << "message: " << Visible(message.title) << ": " << Visible(message.text) << "\n";
  }
  out << "title: " << Visible(values.DatabaseTitle) << "\n";
  out << "counts: Inbox " << values.InboxCount << ", Drafts " << values.DraftsCount << ", Sent "
      << values.SentCount << ", Follow Up " << values.FollowUpCount << ", Junk Mail " << values.JunkMailCount
      << ", Trash " << values.TrashCount << "\n";

  auto& tree = window.ContactsTreeView;
  for (std::size_t i = 0; i < tree.nodes.size(); ++i) {
    const auto& node = tree.nodes[i];
    out << "node " << i + 1 << ": key \"" << Visible(node.key) << "\", text \"" << Visible(node.text)
        << "\", parent \"" << Visible(node.parentKey.value_or("(none)")) << "\", image " << node.image
        << (node.emphasis ? ", bold" : "") << ", tag \"" << Visible(node.tag) << "\", check "
        << node.checkState << "\n";
  }

  for (std::size_t i = 0; i < tree.nodes.size(); ++i) {
    tree.selected = static_cast<int>(i + 1);
    const PreviewOutcome preview = ContactsTreeView_Click(controls, notes);
    out << "preview of node " << i + 1 << ": " << preview.rows << " rows"
        << (preview.failure.empty() ? "" : ", stopped early") << "\n";
    const auto& list = window.MailList;
    for (std::size_t row = 0; row < list.rows.size(); ++row) {
      const auto icon = list.icons.find({static_cast<int>(row), 0});
      out << "  " << Row(list.rows[row], options) << " [icon "
          << (icon == list.icons.end() ? std::string("none") : std::to_string(icon->second)) << "]\n";
    }
  }
  WriteUniversalIds(factory, path, out);
  return out.str();
}

}  // namespace mailshift::notes::testing
