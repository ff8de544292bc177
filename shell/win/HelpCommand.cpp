#include "shell/win/HelpCommand.h"

#include <filesystem>

#include "platform/win/WideText.h"

namespace mailshift::shell::win {
namespace {

// HTML Help lives in hhctrl.ocx; loading it when asked keeps the program starting without it.
bool ShowWithHtmlHelp(HWND owner, const std::wstring& file) {
  static HMODULE library = LoadLibraryW(L"hhctrl.ocx");
  if (library == nullptr) return false;
  using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);
  const auto htmlHelp =
      reinterpret_cast<HtmlHelpFunction>(reinterpret_cast<void*>(GetProcAddress(library, "HtmlHelpW")));
  if (htmlHelp == nullptr) return false;
  return htmlHelp(owner, file.c_str(), 0 /* HH_DISPLAY_TOPIC */, 0) != nullptr;
}

}  // namespace

void ShowHelp(HWND owner, const std::string& programFolder, FileOpener& opener, MessageBoxes& messages) {
  const std::filesystem::path folder(platform::win::Utf8ToWide(programFolder));
  const std::filesystem::path helpFile = folder / kHelpFileName;
  std::string problem;
  std::error_code error;
  if (!std::filesystem::is_regular_file(helpFile, error)) {
    problem = "The help file could not be found:\r\n" + platform::win::WideToUtf8(helpFile.wstring());
  } else if (ShowWithHtmlHelp(owner, helpFile.wstring())) {
    return;
  } else {
    problem = "No program on this computer can show the help file:\r\n" +
              platform::win::WideToUtf8(helpFile.wstring());
  }
  const std::filesystem::path pages = folder / kHelpPagesStart;
  if (std::filesystem::is_regular_file(pages, error) &&
      opener.Open(platform::win::WideToUtf8(pages.wstring())))
    return;
  messages.Show(problem, "", MessageIcon::Information, MessageButtons::Ok);
}

}  // namespace mailshift::shell::win
