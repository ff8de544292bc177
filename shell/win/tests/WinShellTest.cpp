// The windows on Windows, driven through their real controls (BM_CLICK, TVM_*, LVM_*) over the
// test Notes server: the splash's hand-over, and the whole way from choosing a database to the
// files and the log of an export.
#include <windows.h>
// After windows.h:
#include <commctrl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "common/Global.h"
#include "common/testing/HeadlessControls.h"
#include "export/ComponentItemWriter.h"
#include "platform/mime/MailComposer.h"
#include "platform/win/ComNotesClient.h"
#include "platform/win/WideText.h"
#include "platform/win/testing/TestNotesServerNames.h"
#include "platform/win/tests/TestServerSupport.h"
#include "shell/presenters/RealMailCore.h"
#include "shell/presenters/ShellTexts.h"
#include "shell/win/WinDialogs.h"
#include "shell/win/frmMain.h"
#include "shell/win/frmSave.h"
#include "shell/win/frmSplash.h"

namespace mailshift::shell::win {
namespace {

namespace fs = std::filesystem;
using platform::win::Utf8ToWide;
using platform::win::WideToUtf8;

// Runs the window messages until the condition holds or the time is up; whether it held.
template <typename Condition>
bool PumpUntil(Condition&& condition, int milliseconds) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(milliseconds);
  while (!condition()) {
    if (GetTickCount64() >= end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    RunPendingMessages(true);
  }
  return true;
}

class ScriptedFileDialog final : public FileOpenDialog {
 public:
  std::string ShowOpen(const std::string& filter) override {
    filters.push_back(filter);
    return answer;
  }
  std::string answer;
  std::vector<std::string> filters;
};

class ScriptedFolderPicker final : public FolderPicker {
 public:
  explicit ScriptedFolderPicker(std::string folder) : folder_(std::move(folder)) {}
  std::string PickFolder(std::intptr_t, const std::string&) override { return folder_; }

 private:
  std::string folder_;
};

class RecordingOpener final : public FileOpener {
 public:
  bool Open(const std::string& path) override {
    opened.push_back(path);
    return true;
  }
  std::vector<std::string> opened;
};

std::string WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return WideToUtf8(text);
}

std::string TreeItemText(HWND tree, HTREEITEM item) {
  wchar_t text[260] = {};
  TVITEMW entry{};
  entry.mask = TVIF_TEXT | TVIF_HANDLE;
  entry.hItem = item;
  entry.pszText = text;
  entry.cchTextMax = 260;
  TreeView_GetItem(tree, &entry);
  return WideToUtf8(text);
}

// The box a node shows: one of the tree's state images.
UINT ShownBox(HWND tree, HTREEITEM item) {
  return TreeView_GetItemState(tree, item, TVIS_STATEIMAGEMASK) >> 12;
}

// Space on the selected node, as the tree reports it to the window.
void PressSpace(frmMain& window) {
  NMTVKEYDOWN key{};
  key.hdr.hwndFrom = window.TreeHandle();
  key.hdr.idFrom = frmMain::kContactsTreeView;
  key.hdr.code = TVN_KEYDOWN;
  key.wVKey = VK_SPACE;
  SendMessageW(window.Handle(), WM_NOTIFY, frmMain::kContactsTreeView, reinterpret_cast<LPARAM>(&key));
}

// The first node below the root whose caption starts with the text.
HTREEITEM FindNode(HWND tree, HTREEITEM from, const std::string& start) {
  for (HTREEITEM item = from; item != nullptr; item = TreeView_GetNextSibling(tree, item)) {
    if (TreeItemText(tree, item).rfind(start, 0) == 0) return item;
    if (HTREEITEM below = FindNode(tree, TreeView_GetChild(tree, item), start)) return below;
  }
  return nullptr;
}

std::string ListCell(HWND list, int row, int column) {
  wchar_t text[260] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 260;
  SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return WideToUtf8(text);
}

std::size_t FilesEndingIn(const fs::path& folder, const std::wstring& extension) {
  std::size_t count = 0;
  std::error_code error;
  for (fs::recursive_directory_iterator entry(folder, error), end; !error && entry != end;
       entry.increment(error)) {
    if (entry->path().extension() == extension) ++count;
  }
  return count;
}

TEST(SplashOnWindows, HandsOverToTheMainWindowOnceAfterItsPause) {
  int shown = 0;
  frmSplash splash([&shown] { ++shown; }, 300);
  splash.Show();
  EXPECT_TRUE(IsWindowVisible(splash.Handle()));
  EXPECT_EQ(shown, 0);
  ASSERT_TRUE(PumpUntil([&] { return splash.HandedOver(); }, 10000));
  EXPECT_EQ(shown, 1);
  EXPECT_FALSE(IsWindowVisible(splash.Handle()));
  // No second tick follows.
  PumpUntil([] { return false; }, 400);
  EXPECT_EQ(shown, 1);
}

TEST(SplashOnWindows, HandsOverAtOnceOnACharacterKey) {
  int shown = 0;
  frmSplash splash([&shown] { ++shown; }, 60000);
  splash.Show();
  SendMessageW(splash.Handle(), WM_CHAR, VK_ESCAPE, 0);
  EXPECT_TRUE(splash.HandedOver());
  EXPECT_EQ(shown, 1);
  PumpUntil([] { return false; }, 200);
  EXPECT_EQ(shown, 1);
}

TEST(MainWindowOnWindows, BrowsesScansPreviewsAndExportsTheCheckedFolders) {
  platform::win::testing::ProgIdAlias alias(L"Domino.NotesSession",
                                            platform::win::testing::kTestDominoSessionClassId);
  if (!alias.active()) GTEST_SKIP() << "a Notes client is registered on this machine";
  const std::string fixture =
      WideToUtf8(platform::win::testing::ExecutableFolder() + L"\\fixtures\\mailbox.json");
  const platform::win::testing::TemporaryFolder destination;
  const platform::win::testing::TemporaryFolder logFolder;
  const std::string logPath = WideToUtf8(logFolder.path() + L"\\Log.txt");

  RecordingMessageBoxes messages;
  ScriptedFileDialog fileDialog;
  fileDialog.answer = fixture;
  RecordingOpener desktop;
  WinWaiter waiter;
  platform::win::ComNotesClient notesClient;
  const std::unique_ptr<mail::EmailComponent> email = platform::CreateMailComposer();
  mail::ComponentItemWriter writer(*email);
  ScriptedFolderPicker picker(WideToUtf8(destination.path()));
  RealMailCore core(notesClient, writer);
  bool ended = false;
  WinServices services{
      messages, fileDialog, picker, desktop, waiter, core, logPath, "", [&ended] { ended = true; }, nullptr};
  frmMain window(services);
  window.Show();
  HWND path = GetDlgItem(window.Handle(), frmMain::kTxtNotesDatabaseFile);

  // The design state.
  EXPECT_EQ(WindowText(window.Handle()), "Corvane Mailshift v3.0 Build 1109");
  EXPECT_EQ(window.Tabs().SelectedTab(), MainTab::SelectFile);
  EXPECT_FALSE(IsWindowEnabled(window.ButtonHandle(frmMain::kCmdScan)));
  EXPECT_FALSE(window.ToolBar().IsButtonEnabled(2));
  EXPECT_FALSE(window.ToolBar().IsButtonEnabled(4));
  EXPECT_FALSE(window.ScanFrame().IsVisible());
  EXPECT_FALSE(window.Tabs().IsTabEnabled(2));  // nothing to preview before a scan
  EXPECT_FALSE(window.IsCommandChecked(mailshift::shell::Command::PlainText));

  // The plain-text menu entry turns the option on and shows its check mark.
  std::size_t plainTextEntry = 0;
  while (kMenus[plainTextEntry].command != mailshift::shell::Command::PlainText) ++plainTextEntry;
  SendMessageW(window.Handle(), WM_COMMAND, MAKEWPARAM(frmMain::kMenuBase + plainTextEntry, 0), 0);
  EXPECT_TRUE(window.IsCommandChecked(mailshift::shell::Command::PlainText));

  // Browse with the dialog answered: the path box takes the file and Scan becomes available.
  SendMessageW(window.ButtonHandle(frmMain::kCmdBrowse), BM_CLICK, 0, 0);
  ASSERT_EQ(fileDialog.filters.size(), 1u);
  EXPECT_EQ(fileDialog.filters[0], text::kNotesDatabaseFilter);
  EXPECT_EQ(WindowText(path), fixture);
  EXPECT_TRUE(IsWindowEnabled(window.ButtonHandle(frmMain::kCmdScan)));
  EXPECT_TRUE(window.ToolBar().IsButtonEnabled(2));

  // Scan: the tree fills, the success message shows and the preview tab comes up.
  SendMessageW(window.ButtonHandle(frmMain::kCmdScan), BM_CLICK, 0, 0);
  ASSERT_FALSE(messages.shown.empty());
  EXPECT_EQ(messages.shown.back().text, "Notes Database Scan Completed Successfully");
  EXPECT_EQ(window.Tabs().SelectedTab(), MainTab::EmailsPreview);
  EXPECT_EQ(TabCtrl_GetCurSel(GetDlgItem(window.Handle(), frmMain::kNotesTab)), 1);
  EXPECT_TRUE(window.ToolBar().IsButtonEnabled(4));
  EXPECT_TRUE(IsWindowVisible(window.TreeHandle()));
  HWND tree = window.TreeHandle();
  const auto nodes = static_cast<int>(SendMessageW(tree, TVM_GETCOUNT, 0, 0));
  EXPECT_EQ(static_cast<std::size_t>(nodes), window.Tree().NodeCount());
  EXPECT_GT(nodes, 5);

  // Preview: selecting the inbox lists its three messages in the list view.
  HTREEITEM inbox = FindNode(tree, TreeView_GetRoot(tree), "Inbox");
  ASSERT_NE(inbox, nullptr);
  TreeView_SelectItem(tree, inbox);
  HWND list = window.ListHandle();
  EXPECT_EQ(ListView_GetItemCount(list), 3);
  EXPECT_EQ(ListCell(list, 0, 0), "Bob Ray/Org");
  EXPECT_EQ(ListCell(list, 0, 1), "Hello there");
  EXPECT_EQ(ListCell(list, 0, 2), "1 KB");
  // A click on a column's header sorts the rows by it, a second click the other way.
  NMLISTVIEW click{};
  click.hdr.hwndFrom = list;
  click.hdr.idFrom = frmMain::kMailList;
  click.hdr.code = LVN_COLUMNCLICK;
  click.iItem = -1;
  click.iSubItem = 1;
  SendMessageW(window.Handle(), WM_NOTIFY, frmMain::kMailList, reinterpret_cast<LPARAM>(&click));
  const std::string firstAscending = ListCell(list, 0, 1);
  SendMessageW(window.Handle(), WM_NOTIFY, frmMain::kMailList, reinterpret_cast<LPARAM>(&click));
  EXPECT_NE(ListCell(list, 0, 1), firstAscending);
  EXPECT_LE(firstAscending, ListCell(list, 0, 1));
  const auto sortArrows = [&] {
    HWND header = ListView_GetHeader(list);
    int arrows = 0;
    for (int column = 0; column < Header_GetItemCount(header); ++column) {
      HDITEMW entry{};
      entry.mask = HDI_FORMAT;
      Header_GetItem(header, column, &entry);
      if ((entry.fmt & (HDF_SORTUP | HDF_SORTDOWN)) != 0) ++arrows;
    }
    return arrows;
  };
  EXPECT_EQ(sortArrows(), 1);

  // Five Down keys, all queued before the first folder has loaded, move five nodes: each waits
  // for the load before it. The next folder comes unsorted, without an arrow.
  SetFocus(tree);
  for (int press = 0; press < 5; ++press) PostMessageW(tree, WM_KEYDOWN, VK_DOWN, 1);
  EXPECT_TRUE(PumpUntil(
      [&] { return TreeItemText(tree, TreeView_GetSelection(tree)).rfind("Trash", 0) == 0; }, 5000));
  PumpUntil([] { return false; }, 200);
  EXPECT_EQ(TreeItemText(tree, TreeView_GetSelection(tree)).substr(0, 5), "Trash");
  EXPECT_EQ(ListView_GetItemCount(list), 1);
  EXPECT_EQ(sortArrows(), 0);
  TreeView_SelectItem(tree, inbox);

  // Space on the drafts unchecks them: their box shows unchecked and the root partly checked.
  HTREEITEM root = TreeView_GetRoot(tree);
  HTREEITEM drafts = FindNode(tree, root, "Drafts");
  ASSERT_NE(drafts, nullptr);
  EXPECT_EQ(ShownBox(tree, drafts), static_cast<UINT>(kCheckedImage));
  TreeView_SelectItem(tree, drafts);
  PressSpace(window);
  EXPECT_EQ(ShownBox(tree, drafts), static_cast<UINT>(kUncheckedImage));
  EXPECT_EQ(ShownBox(tree, root), static_cast<UINT>(kPartlyCheckedImage));
  // The partly-checked root checks its whole branch, as on Linux; a second press unchecks it.
  TreeView_SelectItem(tree, root);
  PressSpace(window);
  EXPECT_EQ(ShownBox(tree, drafts), static_cast<UINT>(kCheckedImage));
  EXPECT_EQ(ShownBox(tree, root), static_cast<UINT>(kCheckedImage));
  PressSpace(window);
  EXPECT_EQ(ShownBox(tree, root), static_cast<UINT>(kUncheckedImage));
  EXPECT_EQ(ShownBox(tree, drafts), static_cast<UINT>(kUncheckedImage));
  PressSpace(window);
  TreeView_SelectItem(tree, drafts);
  PressSpace(window);
  EXPECT_EQ(ShownBox(tree, drafts), static_cast<UINT>(kUncheckedImage));

  // Export: the picker answers, the export window runs to its completion message and offers the
  // folder and the log.
  std::optional<mail::ExportReport> result;
  std::string headerAfterRun;
  std::string countAfterRun;
  bool plainText = false;
  bool openShown = false;
  frmSave::OnShown([&](frmSave& exportWindow) {
    plainText = exportWindow.Presenter().Plan().plainText;
    SendMessageW(exportWindow.ButtonHandle(layout::kConversion), BM_CLICK, 0, 0);
    result = exportWindow.Presenter().LastReport();
    headerAfterRun = exportWindow.LabelText(ExportLabel::LblSaveHeader);
    countAfterRun =
        exportWindow.LabelText(ExportLabel::LblFound) + " " + exportWindow.LabelText(ExportLabel::LblCurrent);
    openShown = IsWindowVisible(exportWindow.ButtonHandle(layout::kOpenFolder)) &&
                IsWindowVisible(exportWindow.ButtonHandle(layout::kOpenLog));
    SendMessageW(exportWindow.ButtonHandle(layout::kOpenLog), BM_CLICK, 0, 0);
    SendMessageW(exportWindow.ButtonHandle(layout::kClose), BM_CLICK, 0, 0);
  });
  SendMessageW(window.ButtonHandle(frmMain::kCmdStartConversion), BM_CLICK, 0, 0);
  frmSave::OnShown(nullptr);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->end, mail::ExportEnd::Completed);
  EXPECT_TRUE(openShown);
  EXPECT_TRUE(plainText);
  // The window ends with the run's counts: the messages found, and the files written of them.
  EXPECT_EQ(headerAfterRun, text::kExportFinished);
  const std::string found = std::to_string(result->messages + result->skipped + result->left);
  EXPECT_EQ(countAfterRun, found + " " + std::to_string(result->written()) + "/" + found);
  EXPECT_EQ(messages.shown.back().title, text::kExportTitle);
  ASSERT_EQ(desktop.opened.size(), 1u);
  EXPECT_EQ(desktop.opened[0], logPath);
  EXPECT_TRUE(IsWindowEnabled(window.Handle()));

  // The files: messages below the destination, none from the drafts, and the log.
  const fs::path output(Utf8ToWide(result->outputRoot));
  EXPECT_GT(FilesEndingIn(output, L".eml"), 3u);
  EXPECT_EQ(FilesEndingIn(output, L".eml"), static_cast<std::size_t>(result->written()));
  EXPECT_FALSE(fs::exists(output / L"Drafts"));
  std::ifstream log(fs::path(Utf8ToWide(logPath)));
  std::stringstream logText;
  logText << log.rdbuf();
  EXPECT_FALSE(logText.str().empty());

  // Another file chosen: nothing of the scan stays to be seen or exported until it is scanned.
  SendMessageW(window.ButtonHandle(frmMain::kCmdBrowse), BM_CLICK, 0, 0);
  EXPECT_EQ(TreeView_GetCount(tree), 0u);
  EXPECT_EQ(ListView_GetItemCount(list), 0);
  EXPECT_FALSE(window.ToolBar().IsButtonEnabled(4));
  EXPECT_FALSE(window.Tabs().IsTabEnabled(2));
  EXPECT_FALSE(window.ScanFrame().IsVisible());

  // Exit answered No leaves the program running; Yes ends it.
  messages.answers.push_back(MessageAnswer::No);
  window.Presenter().mnuExit_Click();
  EXPECT_FALSE(ended);
  messages.answers.push_back(MessageAnswer::Yes);
  window.Presenter().mnuExit_Click();
  EXPECT_TRUE(ended);
}

}  // namespace
}  // namespace mailshift::shell::win
