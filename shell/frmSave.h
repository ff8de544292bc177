// The export window: a progress frame whose labels follow the export run, and the button that
// starts it.
#pragma once

#include <QDialog>
#include <functional>

#include "shell/QtControls.h"

class QGroupBox;
class QLabel;
class QPushButton;

namespace mailshift::shell {

class frmSave final : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kTwipsPerPixel = 15;

  explicit frmSave(QWidget* owner);
  ~frmSave() override;

  Control& LblSaveHeaderControl() { return lblSaveHeader_; }
  Control& LblSubjectControl() { return lblSubject_; }
  Control& LblProcessingControl() { return lblProcessing_; }
  Control& LblFoundControl() { return lblFound_; }
  Control& LblCurrentControl() { return lblCurrent_; }

  // The export run behind the button.
  void SetConversion(std::function<void()> conversion) { conversion_ = std::move(conversion); }
  void CmdConversion_Click();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
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

  WidgetControl lblSaveHeader_;
  WidgetControl lblSubject_;
  WidgetControl lblProcessing_;
  WidgetControl lblFound_;
  WidgetControl lblCurrent_;
  std::function<void()> conversion_;
};

// A position in twips as pixels at 96 dots per inch.
QRect FromTwips(int left, int top, int width, int height);

}  // namespace mailshift::shell
