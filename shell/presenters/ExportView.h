// What the export window's presenter asks of an export window. The Qt window and the Windows
// window each implement it over their own controls.
#pragma once

#include <string>

#include "common/Controls.h"
#include "shell/presenters/WindowServices.h"

namespace mailshift::shell {

// The labels the run writes into.
enum class ExportLabel { LblSaveHeader, LblProcessing, LblFound, LblCurrent };

// Which buttons the bottom row shows: "&Export Emails" before a run, "Cancel" during it (disabled
// once pressed, while the run finishes its message), "Open Folder", "Open Log" and "Close" after a
// completed one.
enum class ExportStage { Ready, Running, Stopping, Done };

class ExportView {
 public:
  virtual ~ExportView() = default;
  virtual MessageBoxes& Messages() = 0;
  virtual void SetLabel(ExportLabel label, const std::string& text) = 0;
  // LblSubject.
  virtual void ShowSubjectCaption(bool shown) = 0;
  // The stage's buttons, focus on its first; after a run, Open Folder and Open Log are enabled
  // only where there is something to open. While a run goes, the user's input to this window and
  // its owner waits, but for Cancel and Esc.
  virtual void ShowStage(ExportStage stage, bool canOpenFolder, bool canOpenLog) = 0;
  // Lets the window repaint and Cancel reach it, every few hundredths of a second at the most.
  virtual void LetWindowsFollow() = 0;
  // Opens a folder or file with the desktop's handler; false when that failed.
  virtual bool OpenWithDesktop(const std::string& path) = 0;
  virtual void Close() = 0;
};

// An export window whose messages and desktop are the ones it was handed.
class ServicedExportView : public ExportView {
 public:
  explicit ServicedExportView(WindowServices& services) : services_(services) {}
  MessageBoxes& Messages() override { return services_.Messages; }
  bool OpenWithDesktop(const std::string& path) override { return services_.Desktop.Open(path); }

 protected:
  WindowServices& services_;
};

}  // namespace mailshift::shell
