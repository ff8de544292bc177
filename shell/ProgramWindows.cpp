#include "shell/ProgramWindows.h"

#include <QGuiApplication>

namespace mailshift::shell {

void ProgramWindows::ShowMain(const std::string& databaseFile) {
  const bool loading = !main_;
  if (loading) {
    main_ = std::make_unique<frmMain>(services_);
    ++mainLoads_;
  }
  main_->show();
  // The offscreen platform of the tests has no stacking order.
  if (QGuiApplication::platformName() != QLatin1String("offscreen")) main_->raise();
  main_->activateWindow();
  // Taken as a dropped file is, once the window has loaded.
  if (loading && !databaseFile.empty()) main_->Presenter().DatabaseFile_Drop({databaseFile});
}

}  // namespace mailshift::shell
