// What a batch needs from the system: each mailbox's export started as a process of its own, so
// that a crash or a hang of one is that mailbox's failure alone.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace mailshift::batch {

struct ProcessEnd {
  int exitCode = 0;      // the exit code when it ended by itself
  bool crashed = false;  // ended by a signal or an exception the system caught
  std::string how;       // "exit code 3", "signal 11 (Segmentation fault)", ...
};

class ChildProcess {
 public:
  virtual ~ChildProcess() = default;
  // Its end when it has ended; none while it runs. Never waits.
  virtual std::optional<ProcessEnd> Poll() = 0;
  // Asks it to stop after the message it is writing, as Ctrl+C would.
  virtual void AskToStop() = 0;
  // Ends it and every process it started, at once.
  virtual void Kill() = 0;
};

class ChildProcesses {
 public:
  virtual ~ChildProcesses() = default;
  // Starts arguments[0] with the rest as its arguments, its output and errors going to the file
  // at outputPath (made anew). Null, with problem set, when it cannot be started.
  virtual std::unique_ptr<ChildProcess> Start(const std::vector<std::string>& arguments,
                                              const std::string& outputPath, std::string& problem) = 0;
};

}  // namespace mailshift::batch
