// Corvane Mailshift on Windows: the process starts with the splash, which hands over to the main
// window.
#include <windows.h>
// After windows.h:
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "common/Global.h"
#include "common/ProgramVersion.h"
#include "export/ExportLog.h"
#include "platform/win/ComApartment.h"
#include "platform/win/WideText.h"
#include "shell/presenters/StartArguments.h"
#include "shell/presenters/SystemMailCore.h"
#include "shell/win/WinDialogs.h"
#include "shell/win/WinShell.h"
#include "shell/win/frmMain.h"
#include "shell/win/frmSplash.h"

using namespace mailshift;
using namespace mailshift::shell::win;

namespace {

std::filesystem::path ProgramFolder() {
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return std::filesystem::path(path).parent_path();
}

// %APPDATA%\Corvane Software\Corvane Mailshift\folders.txt
std::filesystem::path RememberedFoldersFile() {
  PWSTR appData = nullptr;
  std::filesystem::path file;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &appData)))
    file = std::filesystem::path(appData) / L"Corvane Software" / L"Corvane Mailshift" / L"folders.txt";
  CoTaskMemFree(appData);
  return file;
}

// The arguments after the program's name, as UTF-8.
std::vector<std::string> StartArgumentsOf(PWSTR commandLine) {
  std::vector<std::string> arguments;
  if (commandLine == nullptr || *commandLine == L'\0') return arguments;
  int count = 0;
  // Split from the whole command line, where the usual quoting rules hold; the first is the program.
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return arguments;
  for (int index = 1; index < count; ++index) arguments.push_back(platform::win::WideToUtf8(wide[index]));
  LocalFree(wide);
  return arguments;
}

// Text for the standard output the program was given (a window program has no console of its
// own); false when it was given none.
bool WriteToStandardOutput(const std::string& text) {
  DWORD written = 0;
  const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  if (output == nullptr || output == INVALID_HANDLE_VALUE) return false;
  return WriteFile(output, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) != 0;
}

// Help, the version and refused arguments, answered without the main window: on the standard
// output when there is one, otherwise in a message box.
int Answer(const shell::StartRequest& request) {
  using Action = shell::StartRequest::Action;
  std::string text;
  int exitCode = 0;
  switch (request.action) {
    case Action::ShowUsage:
      text = shell::StartUsageText();
      break;
    case Action::ShowVersion:
      text = std::string(kProgramVersion) + "\n";
      break;
    case Action::Refuse:
      text = "mailshift: " + request.problem + "\n\n" + shell::StartUsageText();
      exitCode = 2;
      break;
    case Action::OpenWindows:
      return 0;
  }
  if (!WriteToStandardOutput(text)) {
    MessageBoxW(nullptr, platform::win::Utf8ToWide(text).c_str(), L"Corvane Mailshift",
                exitCode == 0 ? MB_ICONINFORMATION : MB_ICONERROR);
  }
  return exitCode;
}

std::string FullPath(const std::string& path) {
  const std::wstring wide = platform::win::Utf8ToWide(path);
  std::wstring full(32768, L'\0');
  const DWORD length = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (length == 0 || length >= full.size()) return path;
  full.resize(length);
  return platform::win::WideToUtf8(full);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  const shell::StartRequest request = shell::ReadStartArguments(StartArgumentsOf(commandLine));
  if (request.action != shell::StartRequest::Action::OpenWindows) return Answer(request);
  const std::string databaseFile =
      request.databaseFile.empty() ? std::string() : FullPath(request.databaseFile);
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES |
                                                     ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  try {
    const platform::win::ComApartment com;
    RememberedFolders remembered(platform::win::WideToUtf8(RememberedFoldersFile().wstring()));
    WinMessageBoxes messages;
    WinFileOpenDialog fileDialog(&remembered);
    ShellFileOpener desktop;
    WinWaiter waiter;
    WinFolderPicker folderPicker(&remembered);
    shell::SystemMailCore mailCore;
    WinServices services{messages,
                         fileDialog,
                         folderPicker,
                         desktop,
                         waiter,
                         mailCore.Core(),
                         mail::DefaultLogPath(),
                         platform::win::WideToUtf8(ProgramFolder().wstring()),
                         [] { PostQuitMessage(0); },
                         &remembered};
    std::unique_ptr<frmMain> main;
    frmSplash splash([&] {
      const bool loading = !main;
      if (loading) main = std::make_unique<frmMain>(services);
      main->Show();
      // Taken as a dropped file is, once the window has loaded.
      if (loading && !databaseFile.empty()) main->Presenter().DatabaseFile_Drop({databaseFile});
    });
    splash.Show();
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
      if (main && main->TranslateOwnKeys(message)) continue;
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
  } catch (const std::exception& error) {
    MessageBoxW(nullptr, platform::win::Utf8ToWide(error.what()).c_str(), L"Corvane Mailshift", MB_ICONERROR);
    return 1;
  }
}
