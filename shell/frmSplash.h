// The splash window: the program's first window, which hands over to the main window.
#pragma once

#include <QTimer>
#include <QWidget>
#include <functional>

namespace mailshift::shell {

class frmSplash final : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kPauseMilliseconds = 4000;

  // showMain shows the main window, loading it on its first call. pauseMilliseconds is how long
  // the splash holds after its first tick.
  explicit frmSplash(std::function<void()> showMain, int pauseMilliseconds = kPauseMilliseconds);

  bool HandedOver() const { return handedOver_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Timer1_Timer();
  void Form_KeyPress();
  void HandOver();

  std::function<void()> showMain_;
  QTimer Timer1;
  QTimer pause_;
  bool handedOver_ = false;
};

// True for a key that types a character, Enter, Esc and Backspace included.
bool ProducesCharacter(const QKeyEvent& event);

}  // namespace mailshift::shell
