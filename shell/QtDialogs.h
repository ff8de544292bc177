// Message boxes, the file-open dialog, the folder picker, the wait operation and the desktop's
// file handler, on Qt. The windows receive them as interfaces, so that tests hand in their own.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <string>

#include "common/Controls.h"
#include "common/Global.h"
#include "common/RememberedFolders.h"
#include "shell/presenters/RememberingDialogs.h"
#include "shell/presenters/WindowServices.h"

namespace mailshift::shell {

class QtMessageBoxes final : public MessageBoxes {
 public:
  // The boxes are owned by the active window, or by no window when none is active.
  MessageAnswer Show(const std::string& text, const std::string& title, MessageIcon icon,
                     MessageButtons buttons) override;
};

// Owned by the given window, or by the active window when none is given. It opens in the folder
// of the last database chosen when there is one.
class QtFileOpenDialog final : public RememberingFileOpenDialog {
 public:
  explicit QtFileOpenDialog(QWidget* owner = nullptr, const RememberedFolders* remembered = nullptr)
      : RememberingFileOpenDialog(remembered), owner_(owner) {}
  void SetOwner(QWidget* owner) { owner_ = owner; }
  // filter in the "description|patterns|description|patterns" form.
  std::string ShowOpen(const std::string& filter) override;

 private:
  QPointer<QWidget> owner_;
};

// Opens in the last destination when there is one.
class QtFolderPicker final : public RememberingFolderPicker {
 public:
  explicit QtFolderPicker(const RememberedFolders* remembered = nullptr)
      : RememberingFolderPicker(remembered) {}
  std::string PickFolder(std::intptr_t ownerWindow, const std::string& title) override;
};

class QtWaiter final : public Waiter {
 public:
  // Waits while the windows keep painting; the user's input waits until the pause is over. The
  // same for DoEvents: window events run, keys and clicks wait for the event loop.
  void Pause(int milliseconds) override;
  void DoEvents() override;
};

class DesktopFileOpener final : public FileOpener {
 public:
  bool Open(const std::string& path) override;
};

// "Notes Database (*.nsf)|*.nsf" becomes "Notes Database (*.nsf)"; several entries are joined
// with ";;" as Qt's file dialogs expect.
QString ToQtFileFilter(const std::string& filter);

// Text with CR LF line ends as a message box shows it.
QString MessageText(const std::string& text);

}  // namespace mailshift::shell
