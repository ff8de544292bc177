// Which command each button, menu entry and toolbar button of the main window runs. A command
// reached from several places runs the same operation from each of them.
#pragma once

#include <array>

#include "shell/presenters/Icons.h"
#include "shell/presenters/ShellTexts.h"

namespace mailshift::shell {

enum class Command { None, Browse, Scan, Export, Help, About, Exit, NamesTable, PlainText };

// NotesToolBar, by index from 1; a separator has no caption and runs nothing.
struct ToolbarEntry {
  const char* caption;  // nullptr for a separator
  int image;
  Command command;
};
inline constexpr std::array<ToolbarEntry, 6> kToolbar{{
    {"Open", icon::kOpen, Command::Browse},
    {"Scan", icon::kScan, Command::Scan},
    {nullptr, -1, Command::None},
    {"Export", icon::kExport, Command::Export},
    {nullptr, -1, Command::None},
    {"Help", icon::kHelp, Command::Help},
}};
inline constexpr int kToolbarScan = 2;
inline constexpr int kToolbarExport = 4;

// The menu entries, in menu order; a separator has no caption.
enum class Menu { File, Help };
struct MenuEntry {
  Menu menu;
  const char* name;     // mnuOpen, mnuExit, ...
  const char* caption;  // nullptr for a separator
  int image;
  Command command;
  bool ctrlO = false;      // the entry's shortcut, Ctrl+O
  bool checkable = false;  // the entry shows a check mark while its option is on
};
inline constexpr std::array<MenuEntry, 8> kMenus{{
    {Menu::File, "mnuOpen", text::kOpenEntry, icon::kOpen, Command::Browse, true},
    {Menu::File, "mnuSep2", nullptr, -1, Command::None},
    {Menu::File, "mnuNamesTable", text::kNamesTableEntry, -1, Command::NamesTable},
    {Menu::File, "mnuPlainText", text::kPlainTextEntry, -1, Command::PlainText, false, true},
    {Menu::File, "mnuSep1", nullptr, -1, Command::None},
    {Menu::File, "mnuExit", text::kExitEntry, icon::kExit, Command::Exit},
    {Menu::Help, "mnuHelp", text::kContentsEntry, icon::kHelp, Command::Help},
    {Menu::Help, "mnuAbout", text::kAboutEntry, icon::kAbout, Command::About},
}};

// The window's buttons.
struct ButtonEntry {
  const char* name;
  const char* caption;
  int image;
  Command command;
  // Whether the button is disabled with its command; "Start Conversion" stays enabled while the
  // toolbar's Export waits for a scan.
  bool followsCommand;
};
inline constexpr std::array<ButtonEntry, 3> kButtons{{
    {"CmdBrowse", text::kBrowseButton, icon::kOpen, Command::Browse, true},
    {"CmdScan", text::kScanButton, icon::kScan, Command::Scan, true},
    {"CmdStartConversion", text::kStartConversionButton, icon::kExport, Command::Export, false},
}};

inline constexpr const char* kMenuTitles[] = {text::kFileMenu, text::kHelpMenu};

}  // namespace mailshift::shell
