// The system's processes for a batch: each mailbox's export started as a child process with its
// output going to a file, polled without waiting, asked to stop, or ended with all it started.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "batch/ChildProcesses.h"

namespace mailshift::platform {

class SystemProcesses : public batch::ChildProcesses {
 public:
  std::unique_ptr<batch::ChildProcess> Start(const std::vector<std::string>& arguments,
                                             const std::string& outputPath, std::string& problem) override;
};

// The path of the running program's own executable; "" when the system does not tell it.
std::string ThisProgramPath();

}  // namespace mailshift::platform
