// mailshift_win_screenshots OUTPUT_FOLDER: shows every window over the test Notes server and
// writes a picture of each as a .bmp file, for the documentation. Runs under Wine in a virtual
// desktop, whose screen holds the windows with their frames.
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

namespace {

fs::path g_folder;

void Settle(int milliseconds) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(milliseconds);
  while (GetTickCount64() < end) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    RunPendingMessages(true);
  }
}

// The window as the screen shows it, frame included, as a 24-bit bitmap file.
void Capture(HWND window, const char* name) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
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

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: mailshift_win_screenshots OUTPUT_FOLDER\n");
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
  return 0;
}
