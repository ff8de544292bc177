// Corvane Mailshift: the process starts with the splash, which hands over to the main window.
#include <QApplication>
#include <QDir>
#include <QStandardPaths>
#include <QWidget>

#include "common/Global.h"
#include "export/ComponentItemWriter.h"
#include "export/ExportLog.h"
#include "platform/mime/MailComposer.h"
#include "platform/SystemNotesClient.h"
#include "shell/Artwork.h"
#include "shell/ProgramWindows.h"
#include "shell/QtDialogs.h"
#include "shell/Vendor.h"
#include "shell/WindowFont.h"
#include "shell/frmSplash.h"

using namespace mailshift;
using namespace mailshift::shell;

namespace {

// File > Exit: every window goes at once and the event loop ends without running anything else.
void EndProgram() {
  for (QWidget* window : QApplication::topLevelWidgets()) window->hide();
  QCoreApplication::exit(0);
}

}  // namespace

int main(int argc, char** argv) {
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
  SetFolderPicker(&folderPicker);
  platform::SystemNotesClient notesClient;
  const std::unique_ptr<mail::EmailComponent> email = platform::CreateMailComposer();
  mail::ComponentItemWriter writer(*email);

  ProgramState state;
  ShellServices services{messages,
                         fileDialog,
                         desktop,
                         waiter,
                         notesClient.sessions(),
                         writer,
                         mail::DefaultLogPath(),
                         QCoreApplication::applicationDirPath(),
                         EndProgram,
                         &remembered};
  ProgramWindows windows(services, state);
  frmSplash splash([&windows] { windows.ShowMain(); });
  splash.show();
  const int exitCode = QApplication::exec();
  SetFolderPicker(nullptr);
  return exitCode;
}
