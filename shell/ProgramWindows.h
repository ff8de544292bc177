// The windows of the process: the main window exists once and is loaded on first demand.
#pragma once

#include <memory>
#include <string>

#include "shell/ShellServices.h"
#include "shell/frmMain.h"

namespace mailshift::shell {

class ProgramWindows {
 public:
  explicit ProgramWindows(ShellServices& services) : services_(services) {}

  // Shows the main window, loading it first when it is not loaded yet; a loaded window is only
  // brought up. A database file given (from the command line) is chosen as the window loads.
  void ShowMain(const std::string& databaseFile = {});

  frmMain* Main() const { return main_.get(); }
  int MainLoads() const { return mainLoads_; }

 private:
  ShellServices& services_;
  std::unique_ptr<frmMain> main_;
  int mainLoads_ = 0;
};

}  // namespace mailshift::shell
