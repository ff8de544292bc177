// What the logic calls on the window controls. The windows implement these with real widgets;
// the tests implement them with recording fakes. A failing operation throws ControlError.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>

namespace mailshift {

class ControlError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A label, frame, image, button or text box: caption (a text box's text), visible, enabled.
class Control {
 public:
  virtual ~Control() = default;
  virtual std::string Caption() const = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual bool IsVisible() const = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual bool IsEnabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
};

struct TreeNodeSpec {
  std::string key;                       // unique in the tree
  std::string text;                      // the caption
  int image = 0;                         // index into the small icon list
  std::optional<std::string> parentKey;  // none for the root
  bool emphasis = false;
  std::string tag;  // the folder tag
};

class TreeControl {
 public:
  virtual ~TreeControl() = default;
  virtual void Clear() = 0;
  virtual void UseSmallIcons() = 0;
  // Fails with ControlError on a duplicate key or a parent key that is not in the tree.
  virtual void AddNode(const TreeNodeSpec& node) = 0;
  virtual int NodeCount() const = 0;
  // Positions count from 1 in the order the nodes were added.
  virtual std::string NodeTag(int position) const = 0;
  // The node's own check, which decides whether its own folder is taken: 1 = checked.
  virtual int CheckState(int position) const = 0;
  // Sets the node's own check alone; the nodes below it keep theirs.
  virtual void SetCheckState(int position, int state) = 0;
  // Whether the node shows the partly-checked state (its own check and those below it differ).
  // It changes only what the node shows, never its own check.
  virtual bool IsPartlyChecked(int position) const = 0;
  virtual void SetPartlyChecked(int position, bool partly) = 0;
  // The position of the node's parent; none for the root.
  virtual std::optional<int> ParentNode(int position) const = 0;
  // The position of the selected node, if any.
  virtual std::optional<int> SelectedNode() const = 0;
  // The closing update calls after a fill: the tree repaints with its new nodes.
  virtual void FinishUpdate() = 0;
};

class ReportList {
 public:
  virtual ~ReportList() = default;
  virtual void Clear() = 0;
  virtual void UseSmallIcons() = 0;
  // Appends a row; its cells are separated by a tab character.
  virtual void AddItem(const std::string& rowText) = 0;
  // Puts an icon into a cell; rows count from 0.
  virtual void SetReportIcon(int row, int column, int icon) = 0;
  virtual void LockUpdate(bool locked) = 0;
};

class TabControl {
 public:
  virtual ~TabControl() = default;
  virtual int SelectedTab() const = 0;  // from 1
  virtual void SelectTab(int tab) = 0;
  virtual bool IsTabEnabled(int tab) const = 0;
  virtual void SetTabEnabled(int tab, bool enabled) = 0;
};

class ToolBar {
 public:
  virtual ~ToolBar() = default;
  virtual bool IsButtonEnabled(int index) const = 0;  // from 1
  virtual void SetButtonEnabled(int index, bool enabled) = 0;
};

enum class MessageIcon { None, Information, Question, Exclamation, Critical };
enum class MessageButtons { Ok, YesNo, YesNoCancel };
enum class MessageAnswer { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

// Modal message boxes. An empty title means the application's default title.
class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  virtual MessageAnswer Show(const std::string& text, const std::string& title, MessageIcon icon,
                             MessageButtons buttons) = 0;
};

// The file-open dialog: the chosen file's full path, or "" when cancelled.
class FileOpenDialog {
 public:
  virtual ~FileOpenDialog() = default;
  virtual std::string ShowOpen(const std::string& filter) = 0;
};

// The wait operation, and one pass over the pending window events.
class Waiter {
 public:
  virtual ~Waiter() = default;
  virtual void Pause(int milliseconds) = 0;
  virtual void DoEvents() = 0;
};

}  // namespace mailshift
