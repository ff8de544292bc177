// Runs a program with the test Notes server standing in for the installed Notes client: the
// server is registered and a session class name names it while the program runs.
//   mailshift_with_test_notes domino|notes PROGRAM [ARGUMENT...]
// Ends with the program's exit code; 3 when the test server could not be put in place.
#include <windows.h>
// After windows.h:
#include <shellapi.h>

#include <cstdio>
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

}  // namespace

int main() {
  using namespace mailshift::platform::win;
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  const std::wstring origin = count >= 3 ? arguments[1] : L"";
  if (origin != L"domino" && origin != L"notes") {
    std::fprintf(stderr, "usage: mailshift_with_test_notes domino|notes PROGRAM [ARGUMENT...]\n");
    return 2;
  }
  std::wstring commandLine;
  for (int i = 2; i < count; ++i) commandLine += (i > 2 ? L" " : L"") + Quoted(arguments[i]);
  LocalFree(arguments);

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
      WaitForSingleObject(process.hProcess, INFINITE);
      GetExitCodeProcess(process.hProcess, &exitCode);
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
    }
  }
  testing::UnregisterTestServer();
  return static_cast<int>(exitCode);
}
