// The Help command on Windows: "Help.chm" through HTML Help; the HTML pages in the browser.
#pragma once

#include <windows.h>

#include <string>

#include "shell/presenters/HelpCommand.h"
#include "shell/presenters/WindowServices.h"

namespace mailshift::shell::win {

class WinHelpDesk final : public HelpDesk {
 public:
  WinHelpDesk(HWND owner, FileOpener& desktop) : owner_(owner), desktop_(desktop) {}
  void SetOwner(HWND owner) { owner_ = owner; }
  bool IsFile(const std::string& path) override;
  bool ShowHelpFile(const std::string& path) override;
  bool ShowHelpPages(const std::string& startPage) override { return desktop_.Open(startPage); }

 private:
  HWND owner_;
  FileOpener& desktop_;
};

}  // namespace mailshift::shell::win
