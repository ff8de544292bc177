// The splash window: the program's first window, which hands over to the main window.
#pragma once

#include <QTimer>
#include <QWidget>
#include <functional>

#include "shell/presenters/SplashHandOver.h"

namespace mailshift::shell {

class frmSplash final : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kPauseMilliseconds = SplashHandOver::kPauseMilliseconds;

  // showMain shows the main window, loading it on its first call. pauseMilliseconds is how long
  // the splash holds after its first tick.
  explicit frmSplash(std::function<void()> showMain, int pauseMilliseconds = kPauseMilliseconds);

  bool HandedOver() const { return handOver_.HandedOver(); }

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Timer1_Timer();
  void Form_KeyPress();
  void HandOver();

  SplashHandOver handOver_;
  QTimer Timer1;
  QTimer pause_;
};

// True for a key that types a character, Enter, Esc and Backspace included.
bool ProducesCharacter(const QKeyEvent& event);

}  // namespace mailshift::shell
