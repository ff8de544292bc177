#include "PresenterFakes.h"

#include <algorithm>

#include "notes/FolderCatalogue.h"
#include "shell/presenters/ExportPresenter.h"

namespace mailshift::shell::testing {
namespace {

std::string Next(std::deque<std::string>& answers, std::string otherwise) {
  if (answers.empty()) return otherwise;
  std::string answer = answers.front();
  answers.pop_front();
  return answer;
}

const char* LabelName(ExportLabel label) {
  switch (label) {
    case ExportLabel::LblSaveHeader:
      return "LblSaveHeader";
    case ExportLabel::LblProcessing:
      return "LblProcessing";
    case ExportLabel::LblFound:
      return "LblFound";
    case ExportLabel::LblCurrent:
      return "LblCurrent";
  }
  return "?";
}

}  // namespace

MessageAnswer ScriptedMessages::Show(const std::string& text, const std::string& title, MessageIcon icon,
                                     MessageButtons buttons) {
  shown.push_back(ShownMessage{text, title, icon, buttons});
  if (!answers.empty()) {
    const MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Yes;
}

std::string FakeMainView::ChooseDatabaseFile(const std::string& filter) {
  filters.push_back(filter);
  return Next(databaseAnswers, std::string());
}

std::string FakeMainView::ChooseNamesTable(const std::string& filter) {
  namesTableFilters.push_back(filter);
  return Next(namesTableAnswers, std::string());
}

std::string FakeMainView::ChooseDestination(const std::string& title) {
  destinationTitles.push_back(title);
  return Next(destinationAnswers, std::string());
}

void FakeMainView::ShowTree(const std::vector<notes::FolderNode>& nodes) {
  ++treeFills;
  treeTexts.clear();
  for (const auto& node : nodes) treeTexts.push_back(node.text);
  checks.assign(nodes.size(), notes::CheckShown::Unchecked);
}

void FakeMainView::ShowExportWindow(ExportPresenter& presenter) {
  exportPlans.push_back(presenter.Plan());
  if (whileExportWindowOpen) whileExportWindowOpen(presenter);
}

std::string FakeMainView::Describe() const {
  const auto flag = [](const auto& values, auto key) {
    const auto found = values.find(key);
    return found == values.end() ? std::string("-") : std::to_string(found->second);
  };
  std::string state;
  state += "tab=" + std::to_string(static_cast<int>(selectedTab)) +
           " preview tab=" + flag(tabEnabled, MainTab::EmailsPreview) + "\n";
  state += "path=[" + path + "]\n";
  state += "browse=" + flag(commands, Command::Browse) + " scan=" + flag(commands, Command::Scan) +
           " export=" + flag(commands, Command::Export) + "\n";
  state += "panel=" + std::to_string(scanPanel) + " arrows=" + flag(arrows, ScanArrow::Reading) +
           flag(arrows, ScanArrow::Emails) + flag(arrows, ScanArrow::MailFolder) + "\n";
  state += "tree nodes=" + std::to_string(treeTexts.size());
  return state;
}

void FakeExportView::SetLabel(ExportLabel label, const std::string& text) {
  labels[label] = text;
  labelHistory.push_back(std::string(LabelName(label)) + "=" + text);
}

void FakeExportView::ShowStage(ExportStage shown, bool openFolder, bool openLog) {
  stage = shown;
  canOpenFolder = openFolder;
  canOpenLog = openLog;
}

bool FakeExportView::OpenWithDesktop(const std::string& path) {
  opened.push_back(path);
  return openSucceeds;
}

bool FakeHelpDesk::IsFile(const std::string& path) {
  return std::find(files.begin(), files.end(), path) != files.end();
}

bool FakeHelpDesk::ShowHelpFile(const std::string& path) {
  shownFiles.push_back(path);
  return fileViewer;
}

bool FakeHelpDesk::ShowHelpPages(const std::string& startPage) {
  shownPages.push_back(startPage);
  return pagesViewer;
}

notes::ScanResult FakeMailCore::Scan(const std::string& databasePath, notes::ScanObserver& observer) {
  scannedPaths.push_back(databasePath);
  if (scanResult.origin != notes::SessionOrigin::None) {
    for (notes::ScanPhase phase :
         {notes::ScanPhase::Reading, notes::ScanPhase::StandardFolders, notes::ScanPhase::UserFolders}) {
      observer.PhaseStarted(phase);
      if (phase == lastPhase) break;
    }
    for (const auto& node : scanResult.nodes) {
      if (node.image == 70 && node.key != "Folders") observer.FolderShown(node.key + " (1 Emails)");
    }
  }
  notes::ScanResult result = scanResult;
  result.databasePath = databasePath;
  return result;
}

notes::PreviewResult FakeMailCore::Preview(const notes::ScanResult&, const std::string& tag) {
  previewedTags.push_back(tag);
  return notes::PreviewResult{previewRows, {}};
}

bool FakeMailCore::DatabaseChanged(const std::string& databasePath, const std::optional<FileStamp>&) {
  return std::find(changedDatabases.begin(), changedDatabases.end(), databasePath) != changedDatabases.end();
}

std::optional<FileStamp> FakeMailCore::DatabaseStamp(const std::string&) { return stampNow; }

mail::ExportReport FakeMailCore::Export(const mail::ExportPlan& plan, mail::ExportObserver& observer) {
  if (!exportRun) return {};
  return exportRun(plan, observer);
}

std::string FakeMailCore::CompletionText(const mail::ExportReport& report) {
  return "Migration Completed: " + std::to_string(report.written()) + " written";
}

std::string FakeMailCore::DestinationProblem(const std::string& destination) {
  const auto found = destinationProblems.find(destination);
  return found == destinationProblems.end() ? std::string() : found->second;
}

std::string FakeMailCore::DestinationMessage(const std::string& destination, const std::string& problem) {
  return destination + " cannot be written: " + problem;
}

std::string FakeMailCore::OutputRootOf(const std::string& destination, const std::string& title) {
  return destination + "/" + title + "/";
}

bool FakeMailCore::HasEarlierExport(const std::string& outputRoot) {
  return std::find(earlierExports.begin(), earlierExports.end(), outputRoot) != earlierExports.end();
}

notes::ScanResult ScannedMailbox(notes::ScanEnd end) {
  notes::ScanResult result;
  result.end = end;
  result.origin = notes::SessionOrigin::Domino;
  result.title = "John Doe Mail";
  result.nodes.push_back(
      notes::FolderNode{"Lotus Notes Address Book", "Notes Email Database", "", 0, true, {}, 0});
  for (const notes::StandardFolder& folder : notes::kStandardFolders) {
    result.nodes.push_back(notes::FolderNode{std::string(folder.tag), std::string(folder.label) + " (1)",
                                             std::string(folder.tag), folder.image, true, 0, 1});
  }
  result.nodes.push_back(notes::FolderNode{"Folders", "Folders", "Folders", 70, false, 0, 0});
  result.nodes.push_back(notes::FolderNode{"Projects", "Projects (1)", "Projects", 70, true, 7, 1});
  result.nodes.push_back(notes::FolderNode{"2008", "2008 (1)", "Projects\\2008", 70, true, 8, 1});
  return result;
}

}  // namespace mailshift::shell::testing
