// mailshift_win_screenshots OUTPUT_FOLDER [INSTALLER]: shows every window over the test Notes
// server and writes a picture of each as a .bmp file, for the documentation; with an installer,
// also a picture of each of its pages as it installs into a scratch folder. Runs under Wine in a
// virtual desktop, whose screen holds the windows with their frames.
#include <windows.h>
// After windows.h:
#include <commctrl.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "common/Global.h"
#include "common/testing/HeadlessControls.h"
#include "export/ComponentItemWriter.h"
#include "platform/mime/MailComposer.h"
#include "platform/win/ComApartment.h"
#include "platform/win/ComNotesClient.h"
#include "platform/win/WideText.h"
#include "platform/win/testing/TestNotesServerNames.h"
#include "platform/win/tests/TestServerSupport.h"
#include "shell/presenters/RealMailCore.h"
#include "shell/presenters/ShellTexts.h"
#include "shell/win/WinDialogs.h"
#include "shell/win/frmAbout.h"
#include "shell/win/frmMain.h"
#include "shell/win/frmSave.h"
#include "shell/win/frmSplash.h"

using namespace mailshift;
using namespace mailshift::shell;
using namespace mailshift::shell::win;
namespace fs = std::filesystem;
using platform::win::Utf8ToWide;

namespace {

fs::path g_folder;

void Settle(int milliseconds) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(milliseconds);
  while (GetTickCount64() < end) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    RunPendingMessages(true);
  }
}

// The window as the screen shows it, frame included, as a 24-bit bitmap file. Nothing is asked to
// paint again first: the picture shows what the user sees.
void Capture(HWND window, const char* name) {
  Settle(300);
  RECT place;
  GetWindowRect(window, &place);
  const int width = place.right - place.left;
  const int height = place.bottom - place.top;
  HDC screen = GetDC(nullptr);
  HDC canvas = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP picture = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(canvas, picture);
  BitBlt(canvas, 0, 0, width, height, screen, place.left, place.top, SRCCOPY);
  GdiFlush();
  const auto rowBytes = static_cast<std::size_t>((width * 3 + 3) & ~3);
  const auto size = rowBytes * static_cast<std::size_t>(height);
  BITMAPFILEHEADER header{};
  header.bfType = 0x4d42;
  header.bfOffBits = sizeof header + sizeof info.bmiHeader;
  header.bfSize = static_cast<DWORD>(header.bfOffBits + size);
  std::ofstream file(g_folder / (std::string(name) + ".bmp"), std::ios::binary);
  file.write(reinterpret_cast<const char*>(&header), sizeof header);
  file.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
  file.write(static_cast<const char*>(bits), static_cast<std::streamsize>(size));
  if (!file) std::fprintf(stderr, "%s could not be written\n", name);
  SelectObject(canvas, old);
  DeleteObject(picture);
  DeleteDC(canvas);
  ReleaseDC(nullptr, screen);
}

// The exit question: pictured from inside its own message loop, then answered No.
void CALLBACK CaptureQuestion(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  HWND question = FindWindowW(L"#32770", platform::win::Utf8ToWide(text::kExitTitle).c_str());
  if (question == nullptr) return;
  Capture(question, "win-exit");
  PostMessageW(question, WM_COMMAND, IDNO, 0);
}

// The visible dialog window of a process, once it shows.
HWND DialogOf(DWORD process, int milliseconds) {
  struct Search {
    DWORD process;
    HWND found;
  } search{process, nullptr};
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(milliseconds);
  while (search.found == nullptr && GetTickCount64() < end) {
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
          auto& wanted = *reinterpret_cast<Search*>(data);
          DWORD owner = 0;
          GetWindowThreadProcessId(window, &owner);
          wchar_t name[16] = {};
          GetClassNameW(window, name, 16);
          if (owner != wanted.process || !IsWindowVisible(window) || std::wstring(name) != L"#32770")
            return TRUE;
          wanted.found = window;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    if (search.found == nullptr) Sleep(100);
  }
  return search.found;
}

// A child window of the dialog with that caption, at any depth.
HWND ChildWithCaption(HWND dialog, const std::wstring& caption) {
  struct Search {
    const std::wstring& caption;
    HWND found;
  } search{caption, nullptr};
  EnumChildWindows(
      dialog,
      [](HWND child, LPARAM data) -> BOOL {
        auto& wanted = *reinterpret_cast<Search*>(data);
        wchar_t text[128] = {};
        GetWindowTextW(child, text, 128);
        if (wanted.caption != text) return TRUE;
        wanted.found = child;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Runs the installer with its pages: a picture of each, then Next (after the files, once Next is
// enabled again); the finish page's "run now" is unticked before Finish.
void PictureInstaller(const std::wstring& installer) {
  std::wstring command = L"\"" + installer + L"\" /D=C:\\mailshift-pictures";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    std::fprintf(stderr, "the installer could not be started (error %lu)\n", GetLastError());
    return;
  }
  const char* pages[] = {"win-setup-welcome", "win-setup-components", "win-setup-folder", "win-setup-files",
                         "win-setup-finish"};
  for (const char* page : pages) {
    HWND dialog = DialogOf(process.dwProcessId, 20000);
    if (dialog == nullptr) {
      std::fprintf(stderr, "the installer shows no page for %s\n", page);
      break;
    }
    HWND next = GetDlgItem(dialog, IDOK);
    for (int i = 0; i < 300 && !IsWindowEnabled(next); ++i) Sleep(100);
    Sleep(600);
    Capture(dialog, page);
    if (HWND runNow = ChildWithCaption(dialog, Utf8ToWide("Run Corvane Mailshift now"))) {
      SendMessageW(runNow, BM_SETCHECK, BST_UNCHECKED, 0);
    }
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(next));
    Sleep(300);
  }
  WaitForSingleObject(process.hProcess, 30000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: mailshift_win_screenshots OUTPUT_FOLDER [INSTALLER]\n");
    return 2;
  }
  g_folder = fs::path(argv[1]);
  fs::create_directories(g_folder);
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES |
                                                     ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  const platform::win::ComApartment com;
  if (!platform::win::testing::RegisterTestServer()) {
    std::fprintf(stderr, "The test Notes server could not be registered.\n");
    return 1;
  }
  {
    platform::win::testing::ProgIdAlias alias(L"Domino.NotesSession",
                                              platform::win::testing::kTestDominoSessionClassId);
    const std::string fixture =
        platform::win::WideToUtf8(platform::win::testing::ExecutableFolder() + L"\\fixtures\\mailbox.json");
    const platform::win::testing::TemporaryFolder destination;
    RecordingMessageBoxes recorded;
    WinMessageBoxes messages;
    class GivenFile final : public FileOpenDialog {
     public:
      explicit GivenFile(std::string file) : file_(std::move(file)) {}
      std::string ShowOpen(const std::string&) override { return file_; }

     private:
      std::string file_;
    } fileDialog(fixture);
    class GivenFolder final : public FolderPicker {
     public:
      explicit GivenFolder(std::string folder) : folder_(std::move(folder)) {}
      std::string PickFolder(std::intptr_t, const std::string&) override { return folder_; }

     private:
      std::string folder_;
    } picker(platform::win::WideToUtf8(destination.path()));
    ShellFileOpener desktop;
    WinWaiter waiter;
    platform::win::ComNotesClient notesClient;
    const std::unique_ptr<mail::EmailComponent> email = platform::CreateMailComposer();
    mail::ComponentItemWriter writer(*email);
    RealMailCore core(notesClient, writer);
    // The scan's and the export's messages are recorded, so that only the windows show.
    WinServices services{recorded,
                         fileDialog,
                         picker,
                         desktop,
                         waiter,
                         core,
                         platform::win::WideToUtf8(destination.path() + L"\\Log.txt"),
                         "",
                         [] {},
                         nullptr};

    std::unique_ptr<frmMain> main;
    {
      frmSplash splash([&] {
        main = std::make_unique<frmMain>(services);
        main->Show();
      });
      splash.Show();
      Capture(splash.Handle(), "win-splash");
      SendMessageW(splash.Handle(), WM_CHAR, L' ', 0);
    }
    Capture(main->Handle(), "win-main-start");
    main->Presenter().CmdBrowse_Click();
    Capture(main->Handle(), "win-main-file-chosen");
    main->Presenter().CmdScan_Click();
    main->Tabs().SelectTab(MainTab::SelectFile);
    Capture(main->Handle(), "win-main-scanned");
    main->Tabs().SelectTab(MainTab::EmailsPreview);
    HWND tree = main->TreeHandle();
    TreeView_SelectItem(tree, TreeView_GetChild(tree, TreeView_GetRoot(tree)));
    if (main->Tree().NodeCount() > 2) main->Presenter().ContactsTreeView_NodeCheck(2);
    Capture(main->Handle(), "win-main-preview");

    ShowAbout(main->Handle(), [](HWND about) {
      Capture(about, "win-about");
      PostMessageW(about, WM_CLOSE, 0, 0);
    });

    frmSave::OnShown([](frmSave& exportWindow) {
      Capture(exportWindow.Handle(), "win-export-ready");
      SendMessageW(exportWindow.ButtonHandle(layout::kConversion), BM_CLICK, 0, 0);
      Capture(exportWindow.Handle(), "win-export-done");
      SendMessageW(exportWindow.ButtonHandle(layout::kClose), BM_CLICK, 0, 0);
    });
    main->Presenter().CmdStartConversion_Click();
    frmSave::OnShown(nullptr);

    SetTimer(nullptr, 0, 800, CaptureQuestion);
    messages.Show(text::kExitQuestion, text::kExitTitle, MessageIcon::Information, MessageButtons::YesNo);
  }
  platform::win::testing::UnregisterTestServer();
  if (argc == 3) PictureInstaller(Utf8ToWide(argv[2]));
  return 0;
}
