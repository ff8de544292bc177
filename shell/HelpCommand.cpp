#include "shell/HelpCommand.h"

#include <QDir>
#include <QFileInfo>

namespace mailshift::shell {
namespace {

std::string Native(const QString& path) { return QDir::toNativeSeparators(path).toStdString(); }

}  // namespace

void ShowHelp(const QString& programFolder, FileOpener& opener, MessageBoxes& messages,
              const std::function<void(const QString&)>& showPages) {
  const QDir folder(programFolder);
  const QString helpFile = folder.filePath(QString::fromUtf8(kHelpFileName));
  std::string problem;
  if (!QFileInfo(helpFile).isFile()) {
    problem = "The help file could not be found:\r\n" + Native(helpFile);
  } else if (opener.Open(helpFile)) {
    return;
  } else {
    problem = "No program on this computer can show the help file:\r\n" + Native(helpFile);
  }

  const QString pages = folder.filePath(QString::fromUtf8(kHelpPagesStart));
  if (QFileInfo(pages).isFile()) {
    showPages(pages);
    return;
  }
  messages.Show(problem, "", MessageIcon::Information, MessageButtons::Ok);
}

}  // namespace mailshift::shell
