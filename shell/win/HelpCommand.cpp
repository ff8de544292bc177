#include "shell/win/HelpCommand.h"

#include <filesystem>

#include "platform/win/WideText.h"

namespace mailshift::shell::win {

bool WinHelpDesk::IsFile(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(std::filesystem::path(platform::win::Utf8ToWide(path)), error);
}

// HTML Help lives in hhctrl.ocx; loading it when asked keeps the program starting without it.
bool WinHelpDesk::ShowHelpFile(const std::string& path) {
  static HMODULE library = LoadLibraryW(L"hhctrl.ocx");
  if (library == nullptr) return false;
  using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);
  const auto htmlHelp =
      reinterpret_cast<HtmlHelpFunction>(reinterpret_cast<void*>(GetProcAddress(library, "HtmlHelpW")));
  if (htmlHelp == nullptr) return false;
  return htmlHelp(owner_, platform::win::Utf8ToWide(path).c_str(), 0 /* HH_DISPLAY_TOPIC */, 0) != nullptr;
}

}  // namespace mailshift::shell::win
