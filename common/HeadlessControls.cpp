#include "common/HeadlessControls.h"

#include <utility>

namespace mailshift {

void HeadlessTree::AddNode(const TreeNodeSpec& node) {
  if (Find(node.key) != nullptr) throw ControlError("duplicate key " + node.key);
  std::optional<int> parentPosition;
  if (node.parentKey) {
    const HeadlessTreeNode* parent = Find(*node.parentKey);
    if (parent == nullptr) throw ControlError("no parent " + *node.parentKey);
    parentPosition = static_cast<int>(parent - nodes.data()) + 1;
  }
  nodes.push_back(HeadlessTreeNode{node, 0, false, parentPosition});
}

const HeadlessTreeNode* HeadlessTree::Find(const std::string& key) const {
  for (const auto& node : nodes) {
    if (node.key == key) return &node;
  }
  return nullptr;
}

const HeadlessTreeNode& HeadlessTree::At(int position) const {
  if (position < 1 || position > NodeCount()) throw ControlError("no node at " + std::to_string(position));
  return nodes[static_cast<std::size_t>(position - 1)];
}

HeadlessTreeNode& HeadlessTree::At(int position) {
  return const_cast<HeadlessTreeNode&>(std::as_const(*this).At(position));
}

std::vector<std::string> HeadlessTree::Outline() const {
  std::vector<std::string> lines;
  // Children follow their parent in the order they were added, depth first.
  const auto emit = [&](const auto& self, const std::optional<std::string>& parent, int depth) -> void {
    for (const auto& node : nodes) {
      if (node.parentKey != parent) continue;
      lines.push_back(std::string(static_cast<std::size_t>(depth) * 2, ' ') +
                      (node.partlyChecked     ? "[-] "
                       : node.checkState == 1 ? "[x] "
                                              : "[ ] ") +
                      node.text);
      self(self, node.key, depth + 1);
    }
  };
  emit(emit, std::nullopt, 0);
  return lines;
}

void HeadlessReportList::SetReportIcon(int row, int column, int icon) {
  if (row < 0 || row >= static_cast<int>(rows.size())) throw ControlError("no row " + std::to_string(row));
  icons[{row, column}] = icon;
}

MessageAnswer RecordingMessageBoxes::Show(const std::string& text, const std::string& title, MessageIcon icon,
                                          MessageButtons buttons) {
  shown.push_back(ShownMessage{text, title, icon, buttons});
  if (answers.empty()) return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
  const MessageAnswer answer = answers.front();
  answers.pop_front();
  return answer;
}

HeadlessMainWindow::HeadlessMainWindow()
    : CmdScan("Start Scan", true, false),
      ScanFrame(" Scan Details", false),
      ImgReadingArrow("", false),
      ImgEmailsArrow("", false),
      ImgMailFolderArrow("", false) {
  txtNotesDatabaseFile.captions.clear();
  NotesToolBar.enabled = {{1, true}, {2, false}, {4, false}, {6, true}};
}

MainWindowControls HeadlessMainWindow::controls() {
  return MainWindowControls{
      NotesTab,        txtNotesDatabaseFile, CmdBrowse,          CmdScan,       ScanFrame,
      ImgReadingArrow, ImgEmailsArrow,       ImgMailFolderArrow, LblFolderName, ContactsTreeView,
      MailList,        NotesToolBar,         Messages,           Wait};
}

}  // namespace mailshift
