// The Help command on Qt: the desktop's handler shows "Help.chm"; the program's own help window
// shows the HTML pages.
#pragma once

#include <QString>
#include <functional>

#include "shell/QtDialogs.h"
#include "shell/presenters/HelpCommand.h"

namespace mailshift::shell {

// The same pages as plain HTML, beside the program, for systems without a Help viewer.
inline constexpr const char* kHelpPagesStart = "help/index.html";

class QtHelpDesk final : public HelpDesk {
 public:
  QtHelpDesk(FileOpener& desktop, std::function<void(const QString&)> showPages)
      : desktop_(desktop), showPages_(std::move(showPages)) {}
  bool IsFile(const std::string& path) override;
  bool ShowHelpFile(const std::string& path) override;
  bool ShowHelpPages(const std::string& startPage) override;

 private:
  FileOpener& desktop_;
  std::function<void(const QString&)> showPages_;
};

}  // namespace mailshift::shell
