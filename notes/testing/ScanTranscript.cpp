#include "notes/testing/ScanTranscript.h"

#include <sstream>

#include "common/DateText.h"
#include "common/Messages.h"
#include "common/TextRules.h"
#include "notes/FolderCatalogue.h"
#include "notes/MailPreview.h"
#include "notes/MailScan.h"
#include "notes/SessionOrigin.h"

namespace mailshift::notes::testing {
namespace {

// The icon of every row of the message list.
constexpr int kMessageIcon = 56;

const char* EndName(bool started, const ScanResult& scan) {
  if (!started) return "not started";
  switch (scan.end) {
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

struct ShownMessage {
  std::string title;
  std::string text;
};

// The message the main window shows at the end of a scan.
ShownMessage EndMessage(bool started, const ScanResult& scan) {
  if (!started) return {"Select Notes Database", std::string(kNoDatabaseChosenText)};
  if (scan.origin == SessionOrigin::None || scan.end == ScanEnd::NotInstalled)
    return {std::string(kNotInstalledTitle), NotInstalledText()};
  if (scan.end != ScanEnd::Completed) return {"", std::string(kNoDataText)};
  return {"Scan Completed...", std::string(kScanCompletedText)};
}

std::int64_t CountOf(const ScanResult& scan, std::string_view tag) {
  for (const FolderNode& node : scan.nodes) {
    if (node.key == tag) return node.count;
  }
  return 0;
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
  const bool started = !path.empty();
  const ScanResult scan = started ? Scan(factory, path) : ScanResult{};
  const bool completed = started && scan.end == ScanEnd::Completed;
  std::ostringstream out;

  out << "scan: " << EndName(started, scan) << ", " << scan.skippedFailures.size()
      << " failures stepped over\n";
  const ShownMessage message = EndMessage(started, scan);
  out << "message: " << Visible(message.title) << ": " << Visible(message.text) << "\n";
  out << "title: " << Visible(scan.title) << "\n";
  out << "counts:";
  for (std::size_t index = 0; index < kStandardFolders.size(); ++index) {
    out << (index == 0 ? " " : ", ") << kStandardFolders[index].label << " "
        << CountOf(scan, kStandardFolders[index].tag);
  }
  out << "\n";

  // Only a completed scan checks the tree.
  for (std::size_t i = 0; i < scan.nodes.size(); ++i) {
    const FolderNode& node = scan.nodes[i];
    out << "node " << i + 1 << ": key \"" << Visible(node.key) << "\", text \"" << Visible(node.text)
        << "\", parent \"" << Visible(node.parent ? scan.nodes[*node.parent].key : "(none)") << "\", image "
        << node.image << (node.emphasis ? ", bold" : "") << ", tag \"" << Visible(node.tag) << "\", check "
        << (completed ? 1 : 0) << "\n";
  }

  // The preview lists through the scan's session, which only a completed scan keeps.
  for (std::size_t i = 0; i < scan.nodes.size(); ++i) {
    PreviewResult preview;
    if (completed && scan.session) {
      preview = Preview(*scan.session, path, scan.nodes[i].tag);
    } else {
      preview.failure = "no Notes session";
    }
    out << "preview of node " << i + 1 << ": " << preview.rows.size() << " rows"
        << (preview.failure.empty() ? "" : ", stopped early") << "\n";
    for (const PreviewRow& row : preview.rows)
      out << "  " << Row(PreviewRowText(row), options) << " [icon " << kMessageIcon << "]\n";
  }
  WriteUniversalIds(factory, path, out);
  return out.str();
}

}  // namespace mailshift::notes::testing
