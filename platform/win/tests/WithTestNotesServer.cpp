// Runs a program with the test Notes server standing in for the installed Notes client: the
// server is registered and a session class name names it while the program runs.
//   mailshift_with_test_notes [--interrupt-after N FOLDER] domino|notes PROGRAM [ARGUMENT...]
// With --interrupt-after, the program gets a Ctrl+C once N .eml files are below FOLDER.
// Ends with the program's exit code; 3 when the test server could not be put in place.
#include <windows.h>
// After windows.h:
#include <shellapi.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/win/ComApartment.h"
#include "platform/win/testing/TestNotesServerNames.h"
#include "platform/win/tests/TestServerSupport.h"

namespace {

// One argument quoted as CommandLineToArgvW reads it back.
std::wstring Quoted(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, L'\\');
  return quoted + L"\"";
}

BOOL WINAPI SwallowInterrupt(DWORD) { return TRUE; }

std::size_t MessageFiles(const std::wstring& folder) {
  std::size_t count = 0;
  std::error_code error;
  for (std::filesystem::recursive_directory_iterator entry(folder, error), end; !error && entry != end;
       entry.increment(error)) {
    if (entry->path().extension() == L".eml") ++count;
  }
  return count;
}

// Sends Ctrl+C to the console the program shares with this one once enough messages are there,
// or when the program ends first.
void InterruptAfter(HANDLE process, std::size_t messages, const std::wstring& folder) {
  while (WaitForSingleObject(process, 2) == WAIT_TIMEOUT) {
    if (MessageFiles(folder) >= messages) {
      if (!GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0))
        std::fprintf(stderr, "Ctrl+C could not be sent (error %lu).\n", GetLastError());
      return;
    }
  }
}

}  // namespace

int main() {
  using namespace mailshift::platform::win;
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  int first = 1;
  std::size_t interruptAfter = 0;
  std::wstring watchedFolder;
  if (count > 3 && std::wstring(arguments[1]) == L"--interrupt-after") {
    interruptAfter = std::wcstoul(arguments[2], nullptr, 10);
    watchedFolder = arguments[3];
    first = 4;
  }
  const std::wstring origin = count >= first + 2 ? arguments[first] : L"";
  if (origin != L"domino" && origin != L"notes") {
    std::fprintf(stderr,
                 "usage: mailshift_with_test_notes [--interrupt-after N FOLDER] domino|notes PROGRAM "
                 "[ARGUMENT...]\n");
    return 2;
  }
  std::wstring commandLine;
  for (int i = first + 1; i < count; ++i) commandLine += (i > first + 1 ? L" " : L"") + Quoted(arguments[i]);
  LocalFree(arguments);
  if (interruptAfter > 0) {
    // Ctrl+C reaches every program of a console: the program shares this one's, and this one
    // swallows it (by a handler: ignoring it outright would be inherited by the program).
    DWORD mode = 0;
    if (!GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode)) {
      // The program's output still goes where this one's goes.
      const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
      const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
      FreeConsole();
      AllocConsole();
      SetStdHandle(STD_OUTPUT_HANDLE, output);
      SetStdHandle(STD_ERROR_HANDLE, error);
    }
    SetConsoleCtrlHandler(SwallowInterrupt, TRUE);
  }

  const ComApartment com;
  if (!testing::RegisterTestServer()) {
    std::fprintf(stderr, "The test Notes server could not be registered.\n");
    return 3;
  }
  DWORD exitCode = 3;
  {
    const bool domino = origin == L"domino";
    const testing::ProgIdAlias alias(
        domino ? L"Domino.NotesSession" : L"Notes.NotesSession",
        domino ? testing::kTestDominoSessionClassId : testing::kTestNotesSessionClassId);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!alias.active()) {
      std::fprintf(stderr, "A Notes client is registered on this machine.\n");
    } else if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                               &startup, &process)) {
      std::fprintf(stderr, "The program could not be started (error %lu).\n", GetLastError());
    } else {
      if (interruptAfter > 0) InterruptAfter(process.hProcess, interruptAfter, watchedFolder);
      WaitForSingleObject(process.hProcess, INFINITE);
      GetExitCodeProcess(process.hProcess, &exitCode);
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
    }
  }
  testing::UnregisterTestServer();
  return static_cast<int>(exitCode);
}
