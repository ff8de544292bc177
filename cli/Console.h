// The console around the command line, the part that differs by system: the arguments as UTF-8,
// UTF-8 output, whether the error stream is a terminal, and the user's request to stop.
#pragma once

#include <string>
#include <vector>

namespace mailshift::cli {

// The program's arguments as UTF-8 text; on Windows read from the wide command line, so that no
// character outside the ANSI code page is lost.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Routes std::cout and std::cerr through the console output (cli/ConsoleOutput.h); once, at start.
void PrepareConsole();

// True when the error stream is a terminal or console, which shows the progress line.
bool ErrorStreamIsTerminal();

// While one lives, Ctrl+C and SIGTERM (on Windows Ctrl+C, Ctrl+Break and closing the console
// window) ask the run to stop after the message it is writing; a second Ctrl+C ends the program
// at once, as usual.
class StopRequests {
 public:
  StopRequests();
  ~StopRequests();
  StopRequests(const StopRequests&) = delete;
  StopRequests& operator=(const StopRequests&) = delete;

  static bool Requested();
};

}  // namespace mailshift::cli
