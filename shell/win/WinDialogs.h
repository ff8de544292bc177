// Message boxes, the file-open dialog, the folder picker, the wait operation and the desktop's
// file handler, on Windows. The windows receive them as interfaces, so that tests hand in their own.
#pragma once

#include <windows.h>

#include <string>

#include "common/Controls.h"
#include "common/Global.h"
#include "common/RememberedFolders.h"
#include "shell/presenters/RememberingDialogs.h"
#include "shell/presenters/WindowServices.h"

namespace mailshift::shell::win {

// The window that owns the program's dialogs: the active window of this thread.
HWND DialogOwner();

class WinMessageBoxes final : public MessageBoxes {
 public:
  MessageAnswer Show(const std::string& text, const std::string& title, MessageIcon icon,
                     MessageButtons buttons) override;
};

// Opens in the folder of the last database chosen when there is one.
class WinFileOpenDialog final : public RememberingFileOpenDialog {
 public:
  explicit WinFileOpenDialog(const RememberedFolders* remembered = nullptr)
      : RememberingFileOpenDialog(remembered) {}
  // filter in the "description|patterns|description|patterns" form.
  std::string ShowOpen(const std::string& filter) override;
};

// The shell's folder dialog; it opens in the last destination when there is one.
class WinFolderPicker final : public RememberingFolderPicker {
 public:
  explicit WinFolderPicker(const RememberedFolders* remembered = nullptr)
      : RememberingFolderPicker(remembered) {}
  std::string PickFolder(std::intptr_t ownerWindow, const std::string& title) override;
};

// Runs the pending messages of this thread. Without withInput the user's keys and clicks stay
// queued, in their order, for the message loop (paint, timers and the like still run).
void RunPendingMessages(bool withInput);

class WinWaiter final : public Waiter {
 public:
  // Waits while the windows keep painting; the user's input waits until the pause is over.
  void Pause(int milliseconds) override;
  void DoEvents() override { RunPendingMessages(false); }
};

class ShellFileOpener final : public FileOpener {
 public:
  bool Open(const std::string& path) override;
};

// "description|patterns|..." as the file dialogs take it: pairs ended by nulls, a null at the end.
std::wstring DialogFilter(const std::string& filter);

}  // namespace mailshift::shell::win
