// Corvane Mailshift on Windows: the process starts with the splash, which hands over to the main
// window.
#include <windows.h>
// After windows.h:
#include <commctrl.h>
#include <shlobj.h>

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "common/Global.h"
#include "common/ProgramVersion.h"
#include "export/ExportLog.h"
#include "platform/win/ComApartment.h"
#include "platform/win/WideText.h"
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

// "--version" alone on the command line: the version goes to the standard output the program was
// given (a window program has no console of its own), and no window opens.
bool AnsweredVersion(PWSTR commandLine) {
  if (commandLine == nullptr || std::wstring_view(commandLine) != L"--version") return false;
  const std::string text = std::string(kProgramVersion) + "\n";
  DWORD written = 0;
  const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  if (output != nullptr && output != INVALID_HANDLE_VALUE)
    WriteFile(output, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  return true;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  if (AnsweredVersion(commandLine)) return 0;
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
      if (!main) main = std::make_unique<frmMain>(services);
      main->Show();
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
