// The Windows console: the wide command line, the output routed through the wide console API, and
// a console control handler for Ctrl+C, Ctrl+Break and closing the window.
#include <windows.h>
// After windows.h:
#include <shellapi.h>

#include <atomic>

#include "cli/Console.h"
#include "cli/ConsoleOutput.h"

namespace mailshift::cli {
namespace {

// Windows ends the program this long after a close request at the latest; the run gets almost
// all of it to finish its message, remove its temporary files and close its log.
constexpr DWORD kCloseGraceMilliseconds = 4500;

std::atomic<bool> stopRequested{false};
HANDLE runFinished = nullptr;  // set when the StopRequests of the run goes

std::string Utf8(const wchar_t* text) {
  const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (length <= 1) return {};
  std::string converted(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, converted.data(), length, nullptr, nullptr);
  converted.pop_back();  // the terminating NUL
  return converted;
}

// Runs on a thread of its own that the system starts for each console event.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      // The second request goes on to the default handler, which ends the program.
      return stopRequested.exchange(true) ? FALSE : TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      // The program ends when this returns, so the run is waited for here.
      stopRequested = true;
      if (runFinished != nullptr) WaitForSingleObject(runFinished, kCloseGraceMilliseconds);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return {argv, argv + argc};
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(Utf8(wide[i]));
  LocalFree(wide);
  return arguments;
}

void PrepareConsole() { RouteStandardStreams(); }

bool ErrorStreamIsTerminal() { return StandardError().IsTerminal(); }

StopRequests::StopRequests() {
  runFinished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

StopRequests::~StopRequests() {
  if (runFinished != nullptr) SetEvent(runFinished);
  SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
}

bool StopRequests::Requested() { return stopRequested; }

}  // namespace mailshift::cli
