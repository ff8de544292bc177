// The splash's hand-over to the main window: after the pause or at a character key, exactly once.
#pragma once

#include <functional>
#include <utility>

namespace mailshift::shell {

class SplashHandOver {
 public:
  static constexpr int kTimerInterval = 10;
  static constexpr int kPauseMilliseconds = 4000;

  explicit SplashHandOver(std::function<void()> showMain) : showMain_(std::move(showMain)) {}

  // Shows the main window (loading it on its first call) the first time it is called; true then.
  // The main window comes up before the splash goes, so the program never has no window.
  bool HandOver() {
    if (handedOver_) return false;
    handedOver_ = true;
    showMain_();
    return true;
  }
  bool HandedOver() const { return handedOver_; }

 private:
  std::function<void()> showMain_;
  bool handedOver_ = false;
};

}  // namespace mailshift::shell
