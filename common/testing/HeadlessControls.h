// Window controls without a window: they keep and record what the logic sets, so that the tests
// run the window logic without a display.
#pragma once

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/Controls.h"

namespace mailshift {

class HeadlessControl : public Control {
 public:
  explicit HeadlessControl(std::string caption = {}, bool visible = true, bool enabled = true)
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

struct HeadlessTreeNode : TreeNodeSpec {
  int checkState = 0;
  bool partlyChecked = false;
  std::optional<int> parentPosition;
};

class HeadlessTree : public TreeControl {
 public:
  void Clear() override;
  void UseSmallIcons() override { ++smallIconCalls; }
  void AddNode(const TreeNodeSpec& node) override;
  int NodeCount() const override { return static_cast<int>(nodes.size()); }
  std::string NodeTag(int position) const override { return At(position).tag; }
  int CheckState(int position) const override { return At(position).checkState; }
  void SetCheckState(int position, int state) override { At(position).checkState = state; }
  bool IsPartlyChecked(int position) const override { return At(position).partlyChecked; }
  void SetPartlyChecked(int position, bool partly) override { At(position).partlyChecked = partly; }
  std::optional<int> ParentNode(int position) const override { return At(position).parentPosition; }
  std::optional<int> SelectedNode() const override { return selected; }
  void FinishUpdate() override { ++finishUpdateCalls; }

  // The node with that key, or null.
  const HeadlessTreeNode* Find(const std::string& key) const;
  // The tree as lines: two spaces of indent per level (deeper than 32 levels, the indent of 32
  // and "(level N) "), "[x] ", "[ ] " or "[-] " (partly checked), the text.
  std::vector<std::string> Outline() const;

  std::vector<HeadlessTreeNode> nodes;
  std::optional<int> selected;
  int smallIconCalls = 0;
  int finishUpdateCalls = 0;

 private:
  HeadlessTreeNode& At(int position);
  const HeadlessTreeNode& At(int position) const;

  std::unordered_map<std::string, std::size_t> positions_;  // index in nodes by key
};

class HeadlessReportList : public ReportList {
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

class HeadlessTabs : public TabControl {
 public:
  int SelectedTab() const override { return selected; }
  void SelectTab(int tab) override { selected = tab; }
  bool IsTabEnabled(int tab) const override { return enabled.count(tab) == 0 || enabled.at(tab); }
  void SetTabEnabled(int tab, bool isEnabled) override { enabled[tab] = isEnabled; }

  int selected = 1;
  std::map<int, bool> enabled;
};

class HeadlessToolBar : public ToolBar {
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

class RecordingMessageBoxes : public MessageBoxes {
 public:
  MessageAnswer Show(const std::string& text, const std::string& title, MessageIcon icon,
                     MessageButtons buttons) override;
  std::vector<ShownMessage> shown;
  std::deque<MessageAnswer> answers;  // given in turn; Ok (or Yes) when none is left
};

class HeadlessWaiter : public Waiter {
 public:
  void Pause(int milliseconds) override { pauses.push_back(milliseconds); }
  void DoEvents() override { ++doEventsCalls; }
  std::vector<int> pauses;
  int doEventsCalls = 0;
};

}  // namespace mailshift
