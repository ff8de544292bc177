#include "shell/presenters/HelpCommand.h"

#include "shell/presenters/ShellTexts.h"

namespace mailshift::shell {
namespace {

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

}  // namespace

std::string InFolder(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder.back() == kSeparator || folder.back() == '/') return folder + name;
  return folder + kSeparator + name;
}

void ShowHelp(const std::string& programFolder, HelpDesk& desk, MessageBoxes& messages) {
  const std::string helpFile = InFolder(programFolder, kHelpFileName);
  std::string problem;
  if (!desk.IsFile(helpFile)) {
    problem = text::kHelpFileMissing + helpFile;
  } else if (desk.ShowHelpFile(helpFile)) {
    return;
  } else {
    problem = text::kHelpFileNotShown + helpFile;
  }
  const std::string pages = InFolder(InFolder(programFolder, "help"), "index.html");
  if (desk.IsFile(pages) && desk.ShowHelpPages(pages)) return;
  messages.Show(problem, "", MessageIcon::Information, MessageButtons::Ok);
}

}  // namespace mailshift::shell
