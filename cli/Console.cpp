#include "cli/Console.h"

#include <unistd.h>

#include <csignal>

#include "cli/ConsoleOutput.h"

namespace mailshift::cli {
namespace {

volatile std::sig_atomic_t stopSignal = 0;

extern "C" void OnStopSignal(int signal) { stopSignal = signal; }

struct sigaction previousInterrupt {};
struct sigaction previousTerminate {};

}  // namespace

std::vector<std::string> ProgramArguments(int argc, char** argv) { return {argv, argv + argc}; }

void PrepareConsole() { RouteStandardStreams(); }

bool ErrorStreamIsTerminal() { return isatty(STDERR_FILENO) != 0; }

StopRequests::StopRequests() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  action.sa_flags = SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, &previousInterrupt);
  sigaction(SIGTERM, &action, &previousTerminate);
}

StopRequests::~StopRequests() {
  sigaction(SIGINT, &previousInterrupt, nullptr);
  sigaction(SIGTERM, &previousTerminate, nullptr);
}

bool StopRequests::Requested() { return stopSignal != 0; }

}  // namespace mailshift::cli
