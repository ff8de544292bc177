#include "shell/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>

namespace mailshift::shell {

void CentreOnScreen(QWidget& window) {
  const QScreen* screen = window.screen() != nullptr ? window.screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  QRect frame = window.frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  window.move(frame.topLeft());
}

void CentreOnOwner(QWidget& window, const QWidget* owner) {
  if (owner == nullptr || !owner->isVisible()) {
    CentreOnScreen(window);
    return;
  }
  QRect frame = window.frameGeometry();
  frame.moveCenter(owner->frameGeometry().center());
  window.move(frame.topLeft());
}

}  // namespace mailshift::shell
