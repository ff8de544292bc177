#include "shell/ProgramWindows.h"

#include <QGuiApplication>

namespace mailshift::shell {

void ProgramWindows::ShowMain() {
  if (!main_) {
    main_ = std::make_unique<frmMain>(services_);
    ++mainLoads_;
  }
  main_->show();
  // The offscreen platform of the tests has no stacking order.
  if (QGuiApplication::platformName() != QLatin1String("offscreen")) main_->raise();
  main_->activateWindow();
}

}  // namespace mailshift::shell
