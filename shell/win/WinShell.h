// What the Windows windows are handed: the program-wide values, the outside components and the
// dialogs (the program passes the real ones, the tests their own), and what every window uses to
// make its controls.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "common/Controls.h"
#include "common/ProgramValues.h"
#include "common/RememberedFolders.h"
#include "export/EmailItemWriter.h"
#include "notes/NotesObjects.h"
#include "notes/NotesState.h"
#include "shell/win/WinDialogs.h"

namespace mailshift::shell::win {

struct ProgramState {
  ProgramValues Values;
  notes::NotesState Notes;
};

struct WinServices {
  MessageBoxes& Messages;
  FileOpenDialog& FileDialog;
  FileOpener& Desktop;
  Waiter& Wait;
  notes::SessionFactory& Sessions;
  mail::EmailItemWriter& Writer;
  // Where the export run writes its log.
  std::string LogPath;
  // The folder that holds the program's own files (the help file among them), UTF-8.
  std::string ProgramFolder;
  // Ends the program at once: every window closes and no further event runs.
  std::function<void()> EndProgram;
  RememberedFolders* Remembered = nullptr;
};

inline constexpr int kTwipsPerPixel = 15;
// A length in twips as pixels at 96 dots per inch.
constexpr int Twips(int twips) { return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel; }

// Tahoma at 8 points, plain or bold, and larger sizes for the banner.
HFONT WindowFont(bool bold = false, int points = 8);

// A child control with the window font.
HWND CreateChild(HWND parent, const wchar_t* windowClass, const std::string& caption, DWORD style, int x,
                 int y, int width, int height, int id = 0, DWORD extendedStyle = 0);

// Runs a command so that a failure nobody planned for is shown instead of ending the program.
template <typename Command>
void RunGuarded(MessageBoxes& messages, Command&& command) {
  try {
    command();
  } catch (const std::exception& error) {
    messages.Show(std::string("The command could not be completed:\r\n") + error.what(), "",
                  MessageIcon::Critical, MessageButtons::Ok);
  }
}

// Centres a window over another, or over the screen's work area when there is none.
void CentreWindow(HWND window, HWND over);

// Registers a window class whose procedure hands every message to the object created with it
// (the lpParam of CreateWindowEx), through its HandleMessage member.
template <typename Window>
void RegisterWindowClass(const wchar_t* name, HICON icon, HBRUSH background) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = [](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
    if (message == WM_NCCREATE) {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    return self->HandleMessage(window, message, wParam, lParam);
  };
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hIcon = icon;
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  windowClass.hbrBackground = background;
  windowClass.lpszClassName = name;
  RegisterClassExW(&windowClass);
}

}  // namespace mailshift::shell::win
