// The export window on Windows: a progress frame whose labels follow the export run, and the
// buttons that start it, stop it and open what it wrote. It draws what its presenter tells it.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <string>

#include "shell/presenters/ExportPresenter.h"
#include "shell/presenters/ExportView.h"
#include "shell/presenters/ExportWindowLayout.h"
#include "shell/win/WinShell.h"

namespace mailshift::shell::win {

class frmSave final : private ServicedExportView {
 public:
  frmSave(HWND owner, ExportPresenter& presenter, WinServices& services);
  ~frmSave() override;
  frmSave(const frmSave&) = delete;
  frmSave& operator=(const frmSave&) = delete;

  // Shows the window over its owner, which takes no input until the window is closed.
  void ShowModal();
  HWND Handle() const { return window_; }
  // A button by its index in the layout (layout::kConversion, ...).
  HWND ButtonHandle(layout::ExportButton button) const { return buttons_[button]; }
  ExportPresenter& Presenter() { return presenter_; }
  std::string LabelText(ExportLabel label) const;
  // What runs while the window is shown, before the user's first input (the tests' hook).
  static void OnShown(std::function<void(frmSave&)> hook);

  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  // ExportView
  void SetLabel(ExportLabel label, const std::string& text) override;
  void ShowSubjectCaption(bool shown) override;
  void ShowStage(ExportStage stage, bool canOpenFolder, bool canOpenLog) override;
  void LetWindowsFollow() override;
  void Close() override { closed_ = true; }

  HWND Label(ExportLabel label) const;

  ExportPresenter& presenter_;
  HWND owner_;
  HWND window_ = nullptr;
  std::array<HWND, layout::kExportLabels.size()> labels_{};
  std::array<HWND, layout::kExportButtons.size()> buttons_{};
  bool closed_ = false;
  ULONGLONG lastEvents_ = 0;
};

}  // namespace mailshift::shell::win
