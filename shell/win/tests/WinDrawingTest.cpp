// What the main window shows on the screen, read back from its own device context: the controls of
// the "Select File" page after a file dialog has covered the window, the " Scan Details" panel
// between the folders of a scan, and the message list after a column sort. Handles and window
// styles say that a control exists; only its pixels say that the user sees it.
#include <windows.h>
// After windows.h:
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/testing/HeadlessControls.h"
#include "export/ComponentItemWriter.h"
#include "platform/mime/MailComposer.h"
#include "platform/win/ComNotesClient.h"
#include "platform/win/WideText.h"
#include "platform/win/testing/TestNotesServerNames.h"
#include "platform/win/tests/TestServerSupport.h"
#include "shell/presenters/RealMailCore.h"
#include "shell/win/WinDialogs.h"
#include "shell/win/frmMain.h"

namespace mailshift::shell::win {
namespace {

using platform::win::WideToUtf8;

// Runs the window messages for a while, as the message loop would between two user actions.
void Settle(int milliseconds) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(milliseconds);
  for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    RunPendingMessages(true);
  }
}

int Brightness(COLORREF colour) {
  return (GetRValue(colour) * 30 + GetGValue(colour) * 59 + GetBValue(colour) * 11) / 100;
}

// The client area of a window as it is drawn now, copied from the window's device context without
// asking anything to paint first.
class WindowPicture {
 public:
  explicit WindowPicture(HWND window) : window_(window) {
    RECT client;
    GetClientRect(window, &client);
    width_ = client.right;
    height_ = client.bottom;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC source = GetDC(window);
    HDC canvas = CreateCompatibleDC(source);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(canvas, bitmap);
    BitBlt(canvas, 0, 0, width_, height_, source, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    pixels_.assign(pixels, pixels + static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_));
    SelectObject(canvas, previous);
    DeleteObject(bitmap);
    DeleteDC(canvas);
    ReleaseDC(window, source);
  }

  // Writes the picture as a 32-bit .bmp file, to look at when a check fails.
  void Save(const std::wstring& path) const {
    BITMAPFILEHEADER header{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width_;
    info.biHeight = -height_;
    info.biPlanes = 1;
    info.biBitCount = 32;
    info.biCompression = BI_RGB;
    const auto bytes = static_cast<DWORD>(pixels_.size() * 4);
    header.bfType = 0x4d42;
    header.bfOffBits = sizeof header + sizeof info;
    header.bfSize = header.bfOffBits + bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, &header, sizeof header, &written, nullptr);
    WriteFile(file, &info, sizeof info, &written, nullptr);
    WriteFile(file, pixels_.data(), bytes, &written, nullptr);
    CloseHandle(file);
  }

  COLORREF At(int x, int y) const {
    const std::uint32_t pixel = pixels_.at(static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                                           static_cast<std::size_t>(x));
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
  }

  // Where a control lies in the picture.
  RECT PlaceOf(HWND control) const {
    RECT place;
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&place), 2);
    return place;
  }

  // The pixels of the area (right and bottom excluded) for which the test holds.
  int Count(const RECT& area, const std::function<bool(COLORREF)>& test) const {
    int count = 0;
    for (int y = std::max<LONG>(area.top, 0); y < std::min<LONG>(area.bottom, height_); ++y) {
      for (int x = std::max<LONG>(area.left, 0); x < std::min<LONG>(area.right, width_); ++x) {
        if (test(At(x, y))) ++count;
      }
    }
    return count;
  }

  // Dark pixels: the strokes of text on a light ground.
  int TextPixels(const RECT& area) const {
    return Count(area, [](COLORREF colour) { return Brightness(colour) < 110; });
  }

  // A fingerprint of the area's pixels, to tell whether two pictures of it differ.
  std::uint64_t Fingerprint(const RECT& area) const {
    std::uint64_t hash = 1469598103934665603ULL;
    Count(area, [&hash](COLORREF colour) {
      hash = (hash ^ colour) * 1099511628211ULL;
      return false;
    });
    return hash;
  }

 private:
  HWND window_;
  int width_ = 0;
  int height_ = 0;
  std::vector<std::uint32_t> pixels_;
};

RECT Inside(RECT area, int margin) {
  return {area.left + margin, area.top + margin, area.right - margin, area.bottom - margin};
}
RECT Row(const RECT& area, int y) { return {area.left, y, area.right, y + 1}; }

// The path box: its sunken edge, its white inside and, when it holds a path, the path's text.
void ExpectPathBoxDrawn(const WindowPicture& picture, HWND box, bool holdsText) {
  const RECT place = picture.PlaceOf(box);
  const int width = place.right - place.left;
  const int window = static_cast<int>(GetSysColor(COLOR_WINDOW));
  const RECT inside = Inside(place, 3);
  EXPECT_GT(picture.Count(Row(place, place.top), [](COLORREF c) { return Brightness(c) < 230; }),
            width * 8 / 10)
      << "the path box's sunken edge is not drawn";
  EXPECT_GT(picture.Count(inside, [window](COLORREF c) { return c == static_cast<COLORREF>(window); }),
            (inside.right - inside.left) * (inside.bottom - inside.top) / 2)
      << "the path box's white inside is not drawn";
  if (holdsText) {
    EXPECT_GT(picture.TextPixels(inside), 40) << "the path is not drawn in the path box";
  }
}

// A push button: its frame, darker than the page it stands on, and the strokes of its caption.
// (The face's colour depends on the theme: Wine's is as white as the page.)
void ExpectButtonDrawn(const WindowPicture& picture, HWND button, const char* name) {
  const RECT place = picture.PlaceOf(button);
  const int width = place.right - place.left;
  const auto edge = [](COLORREF c) { return Brightness(c) < 230; };
  EXPECT_GT(picture.Count(Row(place, place.top), edge), width * 8 / 10)
      << name << ": the top edge is not drawn";
  EXPECT_GT(picture.Count(Row(place, place.bottom - 1), edge), width * 8 / 10)
      << name << ": the bottom edge is not drawn";
  EXPECT_GT(picture.TextPixels(Inside(place, 3)), 20) << name << ": the caption is not drawn";
}

// The scan panel: the caption " Scan Details", the three phase labels and the folder's name.
struct ScanPanelPixels {
  int caption = 0;
  int phases = 0;
  int folderName = 0;
};

ScanPanelPixels ScanPanelDrawn(const WindowPicture& picture, HWND frame) {
  const RECT place = picture.PlaceOf(frame);
  ScanPanelPixels drawn;
  drawn.caption = picture.TextPixels({place.left + 4, place.top, place.left + 110, place.top + 14});
  drawn.phases = picture.TextPixels({place.left + 36, place.top + 24, place.left + 300, place.top + 96});
  drawn.folderName = picture.TextPixels({place.left + 36, place.top + 99, place.right - 12, place.top + 117});
  return drawn;
}

// Keeps the picture of a failed check in the temporary folder, to be looked at.
void KeepIfFailed(const WindowPicture& picture, const std::wstring& name) {
  if (!::testing::Test::HasFailure()) return;
  wchar_t folder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, folder);
  const std::wstring path = std::wstring(folder) + L"mailshift-drawing-" + name + L".bmp";
  picture.Save(path);
  ADD_FAILURE() << "the window's picture is in " << WideToUtf8(path);
}

// Covers the main window with a window of its own while it is open, as the system's file dialog
// does, and answers with the file.
class CoveringFileDialog final : public FileOpenDialog {
 public:
  explicit CoveringFileDialog(std::string file) : file_(std::move(file)) {}
  void SetOwner(HWND owner) { owner_ = owner; }
  std::string ShowOpen(const std::string&) override {
    RECT place;
    GetWindowRect(owner_, &place);
    HWND cover = CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP | WS_VISIBLE | SS_GRAYRECT,
                                 place.left, place.top, place.right - place.left, place.bottom - place.top,
                                 owner_, nullptr, GetModuleHandleW(nullptr), nullptr);
    UpdateWindow(cover);
    Settle(300);
    DestroyWindow(cover);
    return file_;
  }

 private:
  std::string file_;
  HWND owner_ = nullptr;
};

class AnyFolder final : public FolderPicker {
 public:
  std::string PickFolder(std::intptr_t, const std::string&) override { return {}; }
};

class NoOpener final : public FileOpener {
 public:
  bool Open(const std::string&) override { return false; }
};

// The real core, with a look at the window each time the scan names a folder: the scan does not
// return to the message loop, so what is seen then is what the window painted by itself.
class WatchedScanCore final : public MailCore {
 public:
  WatchedScanCore(MailCore& core, std::function<void(const std::string&)> folderShown)
      : core_(core), folderShown_(std::move(folderShown)) {}
  notes::ScanResult Scan(const std::string& databasePath, notes::ScanObserver& observer) override {
    class Watcher final : public notes::ScanObserver {
     public:
      Watcher(notes::ScanObserver& inner, const std::function<void(const std::string&)>& shown)
          : inner_(inner), shown_(shown) {}
      void PhaseStarted(notes::ScanPhase phase) override { inner_.PhaseStarted(phase); }
      void FolderShown(const std::string& caption) override {
        inner_.FolderShown(caption);
        shown_(caption);
      }
      bool StopRequested() override { return inner_.StopRequested(); }

     private:
      notes::ScanObserver& inner_;
      const std::function<void(const std::string&)>& shown_;
    } watcher(observer, folderShown_);
    return core_.Scan(databasePath, watcher);
  }
  notes::PreviewResult Preview(const notes::ScanResult& scan, const std::string& tag) override {
    return core_.Preview(scan, tag);
  }
  bool DatabaseChanged(const std::string& databasePath, const std::optional<FileStamp>& scanned) override {
    return core_.DatabaseChanged(databasePath, scanned);
  }
  std::optional<FileStamp> DatabaseStamp(const std::string& databasePath) override {
    return core_.DatabaseStamp(databasePath);
  }
  mail::ExportReport Export(const mail::ExportPlan& plan, mail::ExportObserver& observer) override {
    return core_.Export(plan, observer);
  }
  std::string CompletionText(const mail::ExportReport& report) override {
    return core_.CompletionText(report);
  }
  std::string DestinationProblem(const std::string& destination) override {
    return core_.DestinationProblem(destination);
  }
  std::string DestinationMessage(const std::string& destination, const std::string& problem) override {
    return core_.DestinationMessage(destination, problem);
  }
  std::string OutputRootOf(const std::string& destination, const std::string& title) override {
    return core_.OutputRootOf(destination, title);
  }
  bool HasEarlierExport(const std::string& outputRoot) override { return core_.HasEarlierExport(outputRoot); }

 private:
  MailCore& core_;
  std::function<void(const std::string&)> folderShown_;
};

TEST(MainWindowDrawing, ShowsEveryControlAfterTheFileDialogDuringTheScanAndAfterASort) {
  platform::win::testing::ProgIdAlias alias(L"Domino.NotesSession",
                                            platform::win::testing::kTestDominoSessionClassId);
  if (!alias.active()) GTEST_SKIP() << "a Notes client is registered on this machine";
  const std::string fixture =
      WideToUtf8(platform::win::testing::ExecutableFolder() + L"\\fixtures\\mailbox.json");
  const platform::win::testing::TemporaryFolder logFolder;

  RecordingMessageBoxes messages;
  CoveringFileDialog fileDialog(fixture);
  AnyFolder picker;
  NoOpener desktop;
  WinWaiter waiter;
  platform::win::ComNotesClient notesClient;
  const std::unique_ptr<mail::EmailComponent> email = platform::CreateMailComposer();
  mail::ComponentItemWriter writer(*email);
  RealMailCore realCore(notesClient, writer);
  std::vector<ScanPanelPixels> duringScan;
  HWND window = nullptr;
  HWND frame = nullptr;
  WatchedScanCore core(realCore, [&](const std::string&) {
    duringScan.push_back(ScanPanelDrawn(WindowPicture(window), frame));
  });
  WinServices services{
      messages, fileDialog, picker, desktop, waiter, core, WideToUtf8(logFolder.path() + L"\\Log.txt"),
      "",       [] {},      nullptr};
  frmMain main(services);
  window = main.Handle();
  frame = main.ScanFrame().Handle();
  fileDialog.SetOwner(window);
  main.Show();
  Settle(300);
  HWND path = GetDlgItem(window, frmMain::kTxtNotesDatabaseFile);

  {
    SCOPED_TRACE("at start");
    const WindowPicture picture(window);
    ExpectPathBoxDrawn(picture, path, false);
    ExpectButtonDrawn(picture, main.ButtonHandle(frmMain::kCmdBrowse), "Browse...");
    KeepIfFailed(picture, L"start");
  }

  SendMessageW(main.ButtonHandle(frmMain::kCmdBrowse), BM_CLICK, 0, 0);
  Settle(300);
  {
    SCOPED_TRACE("after the file dialog");
    const WindowPicture picture(window);
    ExpectPathBoxDrawn(picture, path, true);
    ExpectButtonDrawn(picture, main.ButtonHandle(frmMain::kCmdBrowse), "Browse...");
    ExpectButtonDrawn(picture, main.ButtonHandle(frmMain::kCmdScan), "Start Scan");
    KeepIfFailed(picture, L"after-dialog");
  }

  // The scan names each user folder; the panel is painted with it before the next folder.
  SendMessageW(main.ButtonHandle(frmMain::kCmdScan), BM_CLICK, 0, 0);
  ASSERT_FALSE(messages.shown.empty());
  ASSERT_EQ(messages.shown.back().text, "Notes Database Scan Completed Successfully");
  ASSERT_GE(duringScan.size(), 2u);
  for (std::size_t i = 0; i < duringScan.size(); ++i) {
    SCOPED_TRACE("folder " + std::to_string(i + 1) + " of the scan");
    EXPECT_GT(duringScan[i].caption, 20) << "the caption \" Scan Details\" is not drawn";
    EXPECT_GT(duringScan[i].phases, 60) << "the phases are not drawn";
    EXPECT_GT(duringScan[i].folderName, 10) << "the folder's name is not drawn";
  }

  // The sorted rows show at once, and again the other way round.
  Settle(200);
  HWND tree = main.TreeHandle();
  HWND list = main.ListHandle();
  // The first folder with a few messages.
  for (HTREEITEM folder = TreeView_GetChild(tree, TreeView_GetRoot(tree));
       folder != nullptr && ListView_GetItemCount(list) < 2; folder = TreeView_GetNextSibling(tree, folder))
    TreeView_SelectItem(tree, folder);
  ASSERT_GE(ListView_GetItemCount(list), 2);
  Settle(300);
  RECT firstRow{};
  ListView_GetItemRect(list, 0, &firstRow, LVIR_BOUNDS);
  const RECT listPlace = WindowPicture(window).PlaceOf(list);
  OffsetRect(&firstRow, listPlace.left, listPlace.top);
  const std::uint64_t unsorted = WindowPicture(window).Fingerprint(firstRow);
  EXPECT_GT(WindowPicture(window).TextPixels(firstRow), 40) << "the first row is not drawn";

  NMLISTVIEW click{};
  click.hdr.hwndFrom = list;
  click.hdr.idFrom = frmMain::kMailList;
  click.hdr.code = LVN_COLUMNCLICK;
  click.iItem = -1;
  click.iSubItem = 1;
  std::vector<std::uint64_t> shown;
  std::vector<std::string> subjects;
  for (int i = 0; i < 2; ++i) {
    SendMessageW(window, WM_NOTIFY, frmMain::kMailList, reinterpret_cast<LPARAM>(&click));
    Settle(200);
    shown.push_back(WindowPicture(window).Fingerprint(firstRow));
    subjects.push_back(WideToUtf8(main.MailListControl().Cell(0, 1)));
  }
  ASSERT_NE(subjects[0], subjects[1]);
  EXPECT_NE(shown[0], shown[1]) << "the reversed order is not drawn";
  // The rows came in another order than the folder's: at least one of the sorts moved the first row.
  EXPECT_TRUE(shown[0] != unsorted || shown[1] != unsorted) << "no sort is drawn";
}

}  // namespace
}  // namespace mailshift::shell::win
