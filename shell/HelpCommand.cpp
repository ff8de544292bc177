#include "shell/HelpCommand.h"

#include <QFileInfo>

namespace mailshift::shell {

bool QtHelpDesk::IsFile(const std::string& path) { return QFileInfo(QString::fromStdString(path)).isFile(); }

bool QtHelpDesk::ShowHelpFile(const std::string& path) { return desktop_.Open(path); }

bool QtHelpDesk::ShowHelpPages(const std::string& startPage) {
  showPages_(QString::fromStdString(startPage));
  return true;
}

}  // namespace mailshift::shell
