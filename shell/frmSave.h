// The export window: a progress frame whose labels follow the export run, and the button that
// starts it. It is the run's observer.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "export/ExportDriver.h"
#include "export/ExportObserver.h"
#include "shell/QtControls.h"
#include "shell/ShellServices.h"

class QGroupBox;
class QLabel;
class QPushButton;

namespace mailshift::shell {

// What the export run needs besides the window: the services, the program-wide values and the
// path box of the main window, read at every open of the database.
struct ExportContext {
  ShellServices& services;
  ProgramState& state;
  std::function<std::string()> databasePath;
};

class frmSave final : public QDialog, public mail::ExportWindowObserver {
  Q_OBJECT

 public:
  static constexpr int kTwipsPerPixel = 15;

  frmSave(QWidget* owner, ExportContext context);
  ~frmSave() override;

  // The export button: runs the export to its end or until the user stops it. After the
  // completion message the window offers the output folder and the log; after a failure the
  // export button is back.
  void CmdConversion_Click();
  // Cancel, Esc and the title bar's close button while a run goes: the run stops after the
  // current message.
  void CmdCancel_Click();
  // After a completed run: the output folder and the log, through the desktop's handler.
  void CmdOpenFolder_Click();
  void CmdOpenLog_Click();
  // How the last run ended; none before the first.
  const std::optional<mail::ExportResult>& LastResult() const { return lastResult_; }
  bool Running() const { return running_; }
  bool StopWasRequested() const { return stopRequested_; }

  void SetLabel(mail::ExportLabel label, const std::string& text) override;
  void SetSubjectVisible(bool visible) override;
  void ShowMessage(const mail::ExportMessage& message) override;
  void DocumentHandled(const mail::ExportProgress& progress) override;
  bool StopRequested() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // Paints the frame now when the header changed or a moment has passed since the last paint,
  // so that the labels follow the run without slowing it down.
  void PaintProgress(bool now);
  // Lets the windows repaint and the Cancel command reach the window every few hundredths of a
  // second; other input waits until the run is over.
  void LetWindowsFollow();
  // Which buttons the bottom row shows: before a run, during it, after it completed.
  enum class Stage { Ready, Running, Done };
  void ShowButtons(Stage stage);
  void OpenWithDesktop(const std::string& path, const char* what);

  ExportContext context_;
  QGroupBox* ExportFrame = nullptr;
  QLabel* ImgReadingArrow = nullptr;
  QLabel* LblSaveHeader = nullptr;
  QLabel* LblSubject = nullptr;
  QLabel* LblProcessing = nullptr;
  QLabel* LblFoundLabel = nullptr;
  QLabel* LblFound = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* LblCurrent = nullptr;
  QPushButton* CmdConversion = nullptr;
  QPushButton* CmdCancel = nullptr;
  QPushButton* CmdOpenFolder = nullptr;
  QPushButton* CmdOpenLog = nullptr;
  QPushButton* CmdClose = nullptr;

  bool running_ = false;
  bool stopRequested_ = false;
  QElapsedTimer sinceEvents_;
  class RunInputFilter;
  std::unique_ptr<RunInputFilter> inputFilter_;
  QElapsedTimer sincePaint_;
  std::optional<mail::ExportResult> lastResult_;
};

// A position in twips as pixels at 96 dots per inch.
QRect FromTwips(int left, int top, int width, int height);

}  // namespace mailshift::shell
