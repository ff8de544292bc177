// Corvane Mailshift: the process starts with the splash, which hands over to the main window.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "common/Global.h"
#include "common/ProgramVersion.h"
#include "export/ExportLog.h"
#include "shell/Artwork.h"
#include "shell/HelpCommand.h"
#include "shell/ProgramWindows.h"
#include "shell/QtDialogs.h"
#include "shell/WindowFont.h"
#include "shell/frmSplash.h"
#include "shell/presenters/StartArguments.h"
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

// The arguments after the program's name.
std::vector<std::string> ArgumentsOf(const QStringList& arguments) {
  std::vector<std::string> texts;
  for (qsizetype index = 1; index < arguments.size(); ++index)
    texts.push_back(arguments[index].toStdString());
  return texts;
}

// Help, the version and refused arguments: answered on the terminal, without a window.
int Answer(const StartRequest& request) {
  switch (request.action) {
    case StartRequest::Action::ShowUsage:
      std::fputs(StartUsageText().c_str(), stdout);
      return 0;
    case StartRequest::Action::ShowVersion:
      std::printf("%s\n", kProgramVersion);
      return 0;
    case StartRequest::Action::Refuse:
      std::fprintf(stderr, "mailshift: %s\nRun mailshift --help for the usage.\n", request.problem.c_str());
      return 2;
    case StartRequest::Action::OpenWindows:
      break;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Help and the version are answered before the windows start, so that they need no display.
  if (const StartRequest early = ReadStartArguments({argv + std::min(argc, 1), argv + argc});
      early.action == StartRequest::Action::ShowUsage || early.action == StartRequest::Action::ShowVersion) {
    return Answer(early);
  }
  QApplication application(argc, argv);
  // Read again without the options Qt takes for itself (-platform, -style ...).
  const StartRequest request = ReadStartArguments(ArgumentsOf(QApplication::arguments()));
  if (request.action != StartRequest::Action::OpenWindows) return Answer(request);
  const std::string databaseFile =
      request.databaseFile.empty()
          ? std::string()
          : QFileInfo(QString::fromStdString(request.databaseFile)).absoluteFilePath().toStdString();
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
  frmSplash splash([&windows, &databaseFile] { windows.ShowMain(databaseFile); });
  splash.show();
  return QApplication::exec();
}
