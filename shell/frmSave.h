// The export window: a progress frame whose labels follow the export run, and the buttons that
// start it, stop it and open what it wrote. It draws what its presenter tells it.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <array>
#include <memory>
#include <string>

#include "shell/ShellServices.h"
#include "shell/presenters/ExportPresenter.h"
#include "shell/presenters/ExportView.h"
#include "shell/presenters/ExportWindowLayout.h"

class QGroupBox;
class QLabel;
class QPushButton;

namespace mailshift::shell {

class frmSave final : public QDialog, private ServicedExportView {
  Q_OBJECT

 public:
  frmSave(QWidget* owner, ExportPresenter& presenter, ShellServices& services);
  ~frmSave() override;

  ExportPresenter& Presenter() { return presenter_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // ExportView
  void SetLabel(ExportLabel label, const std::string& text) override;
  void ShowSubjectCaption(bool shown) override;
  void ShowStage(ExportStage stage, bool canOpenFolder, bool canOpenLog) override;
  void LetWindowsFollow() override;
  void Close() override { done(QDialog::Accepted); }

  // Paints the frame now when the header changed or a moment has passed since the last paint,
  // so that the labels follow the run without slowing it down.
  void PaintProgress(bool now);
  QPushButton* Button(layout::ExportButton button) const { return buttons_[button]; }

  ExportPresenter& presenter_;
  QGroupBox* ExportFrame = nullptr;
  std::array<QLabel*, layout::kExportLabels.size()> labels_{};
  std::array<QPushButton*, layout::kExportButtons.size()> buttons_{};
  QElapsedTimer sinceEvents_;
  class RunInputFilter;
  std::unique_ptr<RunInputFilter> inputFilter_;
  QElapsedTimer sincePaint_;
};

// A place in twips as pixels at 96 dots per inch.
QRect FromTwips(const layout::Place& place);

}  // namespace mailshift::shell
