// Recording stand-ins for the window controls, so that the logic is tested without widgets.
#pragma once

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/Controls.h"
#include "common/MainWindowControls.h"

namespace mailshift::testing {

class FakeControl : public Control {
 public:
  explicit FakeControl(std::string caption = {}, bool visible = true, bool enabled = true)
      : caption_(std::move(caption)), visible_(visible), enabled_(enabled) {}
  std::string Caption() const override { return caption_; }
  void SetCaption(const std::string& caption) override {
    caption_ = caption;
    captions.push_back(caption);
  }
  bool IsVisible() const override { return visible_; }
  void SetVisible(bool visible) override { visible_ = visible; }
  bool IsEnabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override { enabled_ = enabled; }

  std::vector<std::string> captions;  // every caption set, in order

 private:
  std::string caption_;
  bool visible_;
  bool enabled_;
};

struct FakeTreeNode {
  TreeNodeSpec spec;
  int checkState = 0;
};

class FakeTree : public TreeControl {
 public:
  void Clear() override {
    nodes.clear();
    selected.reset();
  }
  void UseSmallIcons() override { ++smallIconCalls; }
  void AddNode(const TreeNodeSpec& node) override;
  int NodeCount() const override { return static_cast<int>(nodes.size()); }
  std::string NodeTag(int position) const override { return At(position).spec.tag; }
  int CheckState(int position) const override { return At(position).checkState; }
  void SetCheckState(int position, int state) override { At(position).checkState = state; }
  std::optional<int> SelectedNode() const override { return selected; }
  void FinishUpdate() override { ++finishUpdateCalls; }

  // The node with that key, or null.
  const FakeTreeNode* Find(const std::string& key) const;
  // The tree as lines: two spaces of indent per level, "[x] " or "[ ] ", the text.
  std::vector<std::string> Outline() const;

  std::vector<FakeTreeNode> nodes;
  std::optional<int> selected;
  int smallIconCalls = 0;
  int finishUpdateCalls = 0;

 private:
  FakeTreeNode& At(int position);
  const FakeTreeNode& At(int position) const;
};

class FakeReportList : public ReportList {
 public:
  void Clear() override {
    rows.clear();
    icons.clear();
  }
  void UseSmallIcons() override {}
  void AddItem(const std::string& rowText) override { rows.push_back(rowText); }
  void SetReportIcon(int row, int column, int icon) override;
  void LockUpdate(bool locked) override { lockCalls.push_back(locked); }

  std::vector<std::string> rows;
  std::map<std::pair<int, int>, int> icons;  // (row, column) -> icon
  std::vector<bool> lockCalls;
};

class FakeTabs : public TabControl {
 public:
  int SelectedTab() const override { return selected; }
  void SelectTab(int tab) override { selected = tab; }
  bool IsTabEnabled(int tab) const override { return enabled.count(tab) == 0 || enabled.at(tab); }
  void SetTabEnabled(int tab, bool isEnabled) override { enabled[tab] = isEnabled; }

  int selected = 1;
  std::map<int, bool> enabled;
};

class FakeToolBar : public ToolBar {
 public:
  bool IsButtonEnabled(int index) const override { return enabled.count(index) == 0 || enabled.at(index); }
  void SetButtonEnabled(int index, bool isEnabled) override { enabled[index] = isEnabled; }
  std::map<int, bool> enabled;
};

struct ShownMessage {
  std::string text;
  std::string title;
  MessageIcon icon;
  MessageButtons buttons;
};

class FakeMessageBoxes : public MessageBoxes {
 public:
  MessageAnswer Show(const std::string& text, const std::string& title, MessageIcon icon,
                     MessageButtons buttons) override;
  std::vector<ShownMessage> shown;
  std::deque<MessageAnswer> answers;  // given in turn; Ok (or Yes) when none is left
};

class FakeWaiter : public Waiter {
 public:
  void Pause(int milliseconds) override { pauses.push_back(milliseconds); }
  void DoEvents() override { ++doEventsCalls; }
  std::vector<int> pauses;
  int doEventsCalls = 0;
};

// A complete main window of fakes, in the design state after load.
struct FakeMainWindow {
  FakeMainWindow();

  FakeTabs NotesTab;
  FakeControl txtNotesDatabaseFile;
  FakeControl CmdBrowse;
  FakeControl CmdScan;
  FakeControl ScanFrame;
  FakeControl ImgReadingArrow;
  FakeControl ImgEmailsArrow;
  FakeControl ImgMailFolderArrow;
  FakeControl LblFolderName;
  FakeTree ContactsTreeView;
  FakeReportList MailList;
  FakeToolBar NotesToolBar;
  FakeMessageBoxes Messages;
  FakeWaiter Wait;

  MainWindowControls controls();
};

}  // namespace mailshift::testing
