// Corvane Mailshift: the process starts with the splash, which hands over to the main window.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QWidget>
#include <cstdio>
#include <cstring>

#include "common/Global.h"
#include "common/ProgramVersion.h"
#include "export/ExportLog.h"
#include "shell/Artwork.h"
#include "shell/HelpCommand.h"
#include "shell/ProgramWindows.h"
#include "shell/QtDialogs.h"
#include "shell/WindowFont.h"
#include "shell/frmSplash.h"
#include "shell/presenters/SystemMailCore.h"
#include "shell/presenters/Vendor.h"

using namespace mailshift;
using namespace mailshift::shell;

namespace {

// File > Exit: every window goes at once and the event loop ends without running anything else.
void EndProgram() {
  for (QWidget* window : QApplication::topLevelWidgets()) window->hide();
  QCoreApplication::exit(0);
}

// The help beside the program (a build or the Windows folder), else where the Linux packages put it.
QString HelpFolder() {
  const QString programFolder = QCoreApplication::applicationDirPath();
  const QDir installed(programFolder + QStringLiteral("/" MAILSHIFT_INSTALLED_HELP_FOLDER));
  const bool besideProgram =
      QFileInfo(QDir(programFolder).filePath(QString::fromUtf8(kHelpFileName))).isFile() ||
      QFileInfo(QDir(programFolder).filePath(QString::fromUtf8(kHelpPagesStart))).isFile();
  if (!besideProgram && installed.exists()) return installed.absolutePath();
  return programFolder;
}

}  // namespace

int main(int argc, char** argv) {
  // Answered before the windows start, so that it works without a display.
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("%s\n", kProgramVersion);
    return 0;
  }
  QApplication application(argc, argv);
  QApplication::setApplicationName(QString::fromUtf8(kApplicationName));
  QApplication::setOrganizationName(QString::fromUtf8(kVendorName));
  QApplication::setStyle(QStringLiteral("Fusion"));
  QApplication::setWindowIcon(ProgramIcon());
  QApplication::setFont(WindowFont());

  RememberedFolders remembered(QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation))
                                   .filePath(QStringLiteral("folders.txt"))
                                   .toStdString());
  QtMessageBoxes messages;
  QtFileOpenDialog fileDialog(nullptr, &remembered);
  DesktopFileOpener desktop;
  QtWaiter waiter;
  QtFolderPicker folderPicker(&remembered);
  SystemMailCore mailCore;

  ShellServices services{messages,   fileDialog,      folderPicker,           desktop,
                         waiter,     mailCore.Core(), mail::DefaultLogPath(), HelpFolder().toStdString(),
                         EndProgram, &remembered};
  ProgramWindows windows(services);
  frmSplash splash([&windows] { windows.ShowMain(); });
  splash.show();
  return QApplication::exec();
}
