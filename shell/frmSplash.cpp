#include "shell/frmSplash.h"

#include <QKeyEvent>
#include <QLabel>
#include <QScreen>

#include "shell/Artwork.h"
#include "shell/WindowPlacement.h"

namespace mailshift::shell {

bool ProducesCharacter(const QKeyEvent& event) {
  switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Backspace:
      return true;
    case Qt::Key_Delete:
      return false;
    default:
      return !event.text().isEmpty();
  }
}

frmSplash::frmSplash(std::function<void()> showMain, int pauseMilliseconds)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), handOver_(std::move(showMain)) {
  setObjectName(QStringLiteral("frmSplash"));
  setAttribute(Qt::WA_DeleteOnClose, false);
  setFixedSize(kSplashSize);
  auto* picture = new QLabel(this);
  picture->setObjectName(QStringLiteral("SplashPicture"));
  picture->setPixmap(SplashPicture());
  picture->setGeometry(QRect(QPoint(0, 0), kSplashSize));
  setFocusPolicy(Qt::StrongFocus);

  Timer1.setObjectName(QStringLiteral("Timer1"));
  Timer1.setInterval(SplashHandOver::kTimerInterval);
  Timer1.setSingleShot(true);
  connect(&Timer1, &QTimer::timeout, this, &frmSplash::Timer1_Timer);
  // The hold is a timer, not a blocking wait, so that the splash keeps painting meanwhile.
  pause_.setSingleShot(true);
  pause_.setInterval(pauseMilliseconds);
  connect(&pause_, &QTimer::timeout, this, &frmSplash::HandOver);
}

void frmSplash::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  CentreOnScreen(*this);
  activateWindow();
  setFocus();
  if (!HandedOver() && !Timer1.isActive() && !pause_.isActive()) Timer1.start();
}

void frmSplash::keyPressEvent(QKeyEvent* event) {
  if (ProducesCharacter(*event)) {
    Form_KeyPress();
    return;
  }
  QWidget::keyPressEvent(event);
}

void frmSplash::Timer1_Timer() {
  if (!HandedOver()) pause_.start();
}

void frmSplash::Form_KeyPress() { HandOver(); }

void frmSplash::HandOver() {
  Timer1.stop();
  pause_.stop();
  if (handOver_.HandOver()) close();
}

}  // namespace mailshift::shell
