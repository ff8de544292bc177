#include "shell/win/WinDialogs.h"

#include <utility>

// After windows.h:
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <vector>

#include "platform/win/WideText.h"

namespace mailshift::shell::win {

using platform::win::Utf8ToWide;
using platform::win::WideToUtf8;

HWND DialogOwner() { return GetActiveWindow(); }

MessageAnswer WinMessageBoxes::Show(const std::string& text, const std::string& title, MessageIcon icon,
                                    MessageButtons buttons) {
  UINT style = MB_OK;
  if (buttons == MessageButtons::YesNo) style = MB_YESNO;
  if (buttons == MessageButtons::YesNoCancel) style = MB_YESNOCANCEL;
  switch (icon) {
    case MessageIcon::Information:
      style |= MB_ICONINFORMATION;
      break;
    case MessageIcon::Question:
      style |= MB_ICONQUESTION;
      break;
    case MessageIcon::Exclamation:
      style |= MB_ICONEXCLAMATION;
      break;
    case MessageIcon::Critical:
      style |= MB_ICONERROR;
      break;
    case MessageIcon::None:
      break;
  }
  const std::wstring caption = Utf8ToWide(title.empty() ? std::string("Corvane Mailshift") : title);
  const int answer = MessageBoxW(DialogOwner(), Utf8ToWide(text).c_str(), caption.c_str(), style);
  switch (answer) {
    case IDYES:
      return MessageAnswer::Yes;
    case IDNO:
      return MessageAnswer::No;
    case IDCANCEL:
      return MessageAnswer::Cancel;
    case 0:
      throw ControlError("the message box could not be shown (error " + std::to_string(GetLastError()) + ")");
    default:
      return MessageAnswer::Ok;
  }
}

std::wstring DialogFilter(const std::string& filter) {
  std::wstring result = Utf8ToWide(filter);
  for (wchar_t& c : result) {
    if (c == L'|') c = L'\0';
  }
  result.push_back(L'\0');
  result.push_back(L'\0');
  return result;
}

std::string WinFileOpenDialog::ShowOpen(const std::string& filter) {
  const std::wstring filters = DialogFilter(filter);
  const std::wstring startFolder = Utf8ToWide(StartFolder());
  std::vector<wchar_t> file(32768, L'\0');
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = DialogOwner();
  dialog.lpstrFilter = filters.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrInitialDir = startFolder.empty() ? nullptr : startFolder.c_str();
  dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  if (!GetOpenFileNameW(&dialog)) {
    const DWORD error = CommDlgExtendedError();
    if (error != 0)
      throw ControlError("the file dialog could not be shown (error " + std::to_string(error) + ")");
    return {};
  }
  return WideToUtf8(file.data());
}

namespace {

int CALLBACK StartInFolder(HWND dialog, UINT message, LPARAM, LPARAM start) {
  if (message == BFFM_INITIALIZED && start != 0) SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, start);
  return 0;
}

}  // namespace

std::string WinFolderPicker::PickFolder(std::intptr_t ownerWindow, const std::string& title) {
  const std::wstring caption = Utf8ToWide(title);
  const std::wstring start = Utf8ToWide(StartFolder());
  BROWSEINFOW browse{};
  browse.hwndOwner = ownerWindow != 0 ? reinterpret_cast<HWND>(ownerWindow) : DialogOwner();
  browse.lpszTitle = caption.c_str();
  browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  browse.lpfn = StartInFolder;
  browse.lParam = start.empty() ? 0 : reinterpret_cast<LPARAM>(start.c_str());
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&browse);
  if (chosen == nullptr) return {};
  std::vector<wchar_t> path(32768, L'\0');
  const bool named =
      SHGetPathFromIDListEx(chosen, path.data(), static_cast<DWORD>(path.size()), GPFIDL_DEFAULT);
  CoTaskMemFree(chosen);
  return named ? WideToUtf8(path.data()) : std::string();
}

namespace {

// Takes the next message; without input, every message but the keyboard's and the mouse's
// (typed or posted alike), which stay in the queue in their order.
bool TakeMessage(MSG& message, bool withInput) {
  if (withInput) return PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) != FALSE;
  static constexpr std::pair<UINT, UINT> kBesideInput[] = {{0, WM_NCMOUSEMOVE - 1},
                                                           {WM_NCXBUTTONDBLCLK + 1, WM_KEYFIRST - 1},
                                                           {WM_KEYLAST + 1, WM_MOUSEFIRST - 1},
                                                           {WM_MOUSELAST + 1, 0xFFFFFFFF}};
  for (const auto& [first, last] : kBesideInput) {
    if (PeekMessageW(&message, nullptr, first, last, PM_REMOVE)) return true;
  }
  return false;
}

}  // namespace

void RunPendingMessages(bool withInput) {
  MSG message;
  while (TakeMessage(message, withInput)) {
    if (message.message == WM_QUIT) {
      // Left for the message loop, which ends the program.
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void WinWaiter::Pause(int milliseconds) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(milliseconds < 0 ? 0 : milliseconds);
  for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now),
                              QS_POSTMESSAGE | QS_SENDMESSAGE | QS_PAINT | QS_TIMER);
    RunPendingMessages(false);
  }
}

bool ShellFileOpener::Open(const std::string& path) {
  const auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(DialogOwner(), L"open", Utf8ToWide(path).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  return result > 32;
}

}  // namespace mailshift::shell::win
