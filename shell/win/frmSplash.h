// The splash window: the program's first window, which hands over to the main window after its
// pause or at a character key.
#pragma once

#include <windows.h>

#include <functional>

namespace mailshift::shell::win {

class frmSplash {
 public:
  static constexpr int kPauseMilliseconds = 4000;

  // showMain shows the main window, loading it on its first call.
  explicit frmSplash(std::function<void()> showMain, int pauseMilliseconds = kPauseMilliseconds);
  ~frmSplash();
  frmSplash(const frmSplash&) = delete;
  frmSplash& operator=(const frmSplash&) = delete;

  void Show();
  bool HandedOver() const { return handedOver_; }
  HWND Handle() const { return window_; }

  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  void HandOver();

  std::function<void()> showMain_;
  int pauseMilliseconds_;
  HWND window_ = nullptr;
  bool handedOver_ = false;
};

}  // namespace mailshift::shell::win
