// The splash window: the program's first window, which hands over to the main window after its
// pause or at a character key.
#pragma once

#include <windows.h>

#include <functional>

#include "shell/presenters/SplashHandOver.h"

namespace mailshift::shell::win {

class frmSplash {
 public:
  static constexpr int kPauseMilliseconds = SplashHandOver::kPauseMilliseconds;

  // showMain shows the main window, loading it on its first call.
  explicit frmSplash(std::function<void()> showMain, int pauseMilliseconds = kPauseMilliseconds);
  ~frmSplash();
  frmSplash(const frmSplash&) = delete;
  frmSplash& operator=(const frmSplash&) = delete;

  void Show();
  bool HandedOver() const { return handOver_.HandedOver(); }
  HWND Handle() const { return window_; }

  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  void HandOver();

  SplashHandOver handOver_;
  int pauseMilliseconds_;
  HWND window_ = nullptr;
};

}  // namespace mailshift::shell::win
