// Child processes on Linux: each in a process group of its own, so that a timeout ends the export
// and everything it started, and asked to stop when the batch that started it is gone.
#include "platform/SystemProcesses.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

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
  const int input = open("/dev/null", O_RDONLY | O_CLOEXEC);
  // The child tells why exec failed through this pipe; a successful exec closes it.
  int failure[2];
  if (input < 0 || pipe2(failure, O_CLOEXEC) != 0) {
    problem = std::string("no pipe: ") + std::strerror(errno);
    close(output);
    if (input >= 0) close(input);
    return nullptr;
  }
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid == 0) {
    // Only async-signal-safe calls from here to exec.
    setpgid(0, 0);
    // An export whose batch is gone (killed, say) is asked to stop, as Ctrl+C would.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(127);
    struct sigaction defaults {};
    defaults.sa_handler = SIG_DFL;
    for (const int signal : {SIGINT, SIGTERM, SIGPIPE}) sigaction(signal, &defaults, nullptr);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    dup2(input, 0);
    dup2(output, 1);
    dup2(output, 2);
    execv(argv.front(), argv.data());
    const int error = errno;
    [[maybe_unused]] const ssize_t told = write(failure[1], &error, sizeof error);
    _exit(127);
  }
  const int forkError = errno;
  close(failure[1]);
  close(output);
  close(input);
  if (pid < 0) {
    close(failure[0]);
    problem = std::string("cannot start a process: ") + std::strerror(forkError);
    return nullptr;
  }
  int execError = 0;
  ssize_t got = 0;
  do {
    got = read(failure[0], &execError, sizeof execError);
  } while (got < 0 && errno == EINTR);
  close(failure[0]);
  if (got == static_cast<ssize_t>(sizeof execError)) {
    int status = 0;
    waitpid(pid, &status, 0);
    problem = arguments.front() + ": " + std::strerror(execError);
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
