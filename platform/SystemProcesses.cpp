// Child processes on POSIX systems: posix_spawn into a process group of its own, so that a
// timeout ends the export and everything it started.
#include "platform/SystemProcesses.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

extern char** environ;

namespace mailshift::platform {
namespace {

class PosixChild : public batch::ChildProcess {
 public:
  explicit PosixChild(pid_t pid) : pid_(pid) {}
  ~PosixChild() override {
    if (ended_) return;
    Kill();
    int status = 0;
    waitpid(pid_, &status, 0);
  }
  PosixChild(const PosixChild&) = delete;
  PosixChild& operator=(const PosixChild&) = delete;

  std::optional<batch::ProcessEnd> Poll() override {
    if (ended_) return end_;
    int status = 0;
    const pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == 0 || (done < 0 && errno == EINTR)) return std::nullopt;
    ended_ = true;
    if (done < 0) {
      end_ = {1, true, std::string("lost: ") + std::strerror(errno)};
    } else if (WIFEXITED(status)) {
      end_ = {WEXITSTATUS(status), false, "exit code " + std::to_string(WEXITSTATUS(status))};
    } else {
      const int signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
      const char* name = strsignal(signal);
      end_ = {128 + signal, true,
              "signal " + std::to_string(signal) + (name ? std::string(" (") + name + ")" : "")};
    }
    return end_;
  }

  void AskToStop() override {
    if (!ended_) kill(pid_, SIGTERM);
  }
  void Kill() override {
    if (!ended_) kill(-pid_, SIGKILL);
  }

 private:
  pid_t pid_;
  bool ended_ = false;
  batch::ProcessEnd end_;
};

}  // namespace

std::unique_ptr<batch::ChildProcess> SystemProcesses::Start(const std::vector<std::string>& arguments,
                                                            const std::string& outputPath,
                                                            std::string& problem) {
  if (arguments.empty()) {
    problem = "no program";
    return nullptr;
  }
  const int output = open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (output < 0) {
    problem = outputPath + ": " + std::strerror(errno);
    return nullptr;
  }
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, output, 1);
  posix_spawn_file_actions_adddup2(&actions, output, 2);
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setpgroup(&attributes, 0);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGTERM);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes,
                           POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int error = posix_spawn(&pid, arguments.front().c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  close(output);
  if (error != 0) {
    problem = arguments.front() + ": " + std::strerror(error);
    return nullptr;
  }
  return std::make_unique<PosixChild>(pid);
}

std::string ThisProgramPath() {
  std::error_code error;
  const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : path.string();
}

}  // namespace mailshift::platform
