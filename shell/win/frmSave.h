// The export window on Windows: a progress frame whose labels follow the export run, and the
// buttons that start it, stop it and open what it wrote. It is the run's observer.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "export/ExportDriver.h"
#include "export/ExportObserver.h"
#include "shell/win/WinShell.h"

namespace mailshift::shell::win {

struct ExportContext {
  WinServices& services;
  ProgramState& state;
  std::function<std::string()> databasePath;
};

class frmSave final : public mail::ExportWindowObserver {
 public:
  frmSave(HWND owner, ExportContext context);
  ~frmSave() override;
  frmSave(const frmSave&) = delete;
  frmSave& operator=(const frmSave&) = delete;

  // Shows the window over its owner, which takes no input until the window is closed.
  void ShowModal();
  HWND Handle() const { return window_; }
  HWND ButtonHandle(int id) const { return GetDlgItem(window_, id); }
  // What runs while the window is shown, before the user's first input (the tests' hook).
  static void OnShown(std::function<void(frmSave&)> hook);

  void CmdConversion_Click();
  void CmdCancel_Click();
  void CmdOpenFolder_Click();
  void CmdOpenLog_Click();
  void CmdClose_Click();
  const std::optional<mail::ExportResult>& LastResult() const { return lastResult_; }
  std::string LabelText(mail::ExportLabel label) const;

  void SetLabel(mail::ExportLabel label, const std::string& text) override;
  void SetSubjectVisible(bool visible) override;
  void ShowMessage(const mail::ExportMessage& message) override;
  void DocumentHandled(const mail::ExportProgress& progress) override;
  bool StopRequested() override;

  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  enum Id : int { kCmdConversion = 401, kCmdCancel, kCmdOpenFolder, kCmdOpenLog, kCmdClose };

 private:
  enum class Stage { Ready, Running, Done };
  void ShowButtons(Stage stage);
  void LetWindowsFollow();
  void OpenWithDesktop(const std::string& path, const char* what);
  HWND Label(mail::ExportLabel label) const;

  ExportContext context_;
  HWND owner_;
  HWND window_ = nullptr;
  HWND LblSaveHeader = nullptr;
  HWND LblSubject = nullptr;
  HWND LblProcessing = nullptr;
  HWND LblFound = nullptr;
  HWND LblCurrent = nullptr;
  bool running_ = false;
  bool stopRequested_ = false;
  bool closed_ = false;
  ULONGLONG lastEvents_ = 0;
  std::optional<mail::ExportResult> lastResult_;
};

}  // namespace mailshift::shell::win
