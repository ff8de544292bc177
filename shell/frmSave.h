// The export window: a progress frame whose labels follow the export run, and the button that
// starts it. It is the run's observer.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <functional>
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

class frmSave final : public QDialog, public mail::ExportObserver {
  Q_OBJECT

 public:
  static constexpr int kTwipsPerPixel = 15;

  frmSave(QWidget* owner, ExportContext context);
  ~frmSave() override;

  // The export button: runs the export to its end; the window closes after the completion
  // message and stays open after a failure.
  void CmdConversion_Click();
  // How the last run ended; none before the first.
  const std::optional<mail::ExportResult>& LastResult() const { return lastResult_; }
  bool Running() const { return running_; }

  void SetLabel(mail::ExportLabel label, const std::string& text) override;
  void SetSubjectVisible(bool visible) override;
  void ShowMessage(const mail::ExportMessage& message) override;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // Paints the frame now when the header changed or a moment has passed since the last paint,
  // so that the labels follow the run without slowing it down.
  void PaintProgress(bool now);

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

  bool running_ = false;
  QElapsedTimer sincePaint_;
  std::optional<mail::ExportResult> lastResult_;
};

// A position in twips as pixels at 96 dots per inch.
QRect FromTwips(int left, int top, int width, int height);

}  // namespace mailshift::shell
