// mailshift-cli: the command-line companion of Corvane Mailshift.
#include <CLI/CLI.hpp>
#include <iostream>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/ConsoleText.h"
#include "common/ProgramVersion.h"

namespace {

using namespace mailshift::cli;

// Windows programs answer "/?" with their help, as "--help" does everywhere.
void TakeWindowsHelpRequest([[maybe_unused]] std::vector<std::string>& arguments) {
#ifdef _WIN32
  for (std::string& argument : arguments) {
    if (argument == "/?") argument = "--help";
  }
#endif
}

// The first argument that is no option must name a command; CLI11 alone would only say that one
// is required. Empty when it does, otherwise what to say.
std::string UnknownCommandProblem(const CLI::App& app, const std::vector<std::string>& arguments) {
  for (std::size_t index = 1; index < arguments.size(); ++index) {
    const std::string& argument = arguments[index];
    if (!argument.empty() && argument.front() == '-') continue;
    std::string names;
    for (const CLI::App* command : app.get_subcommands({})) {
      if (command->check_name(argument)) return {};
      names += (names.empty() ? "" : ", ") + command->get_name();
    }
    return "unknown command \"" + TerminalText(argument) + "\"; the commands are " + names;
  }
  return {};
}

}  // namespace

int main(int argc, char** argv) {
  PrepareConsole();
  std::vector<std::string> arguments = ProgramArguments(argc, argv);
  TakeWindowsHelpRequest(arguments);
  std::vector<const char*> argumentTexts;
  for (const std::string& argument : arguments) argumentTexts.push_back(argument.c_str());
  CLI::App app{"Corvane Mailshift on the command line", "mailshift-cli"};
  app.set_version_flag("--version", std::string(mailshift::kProgramVersion), "Show the version and exit");
  app.require_subcommand(1);
  int exitCode = kExitDone;
  AddScanCommand(app, exitCode);
  AddListCommand(app, exitCode);
  AddExportCommand(app, exitCode);
  AddBatchCommand(app, exitCode);
  if (const std::string problem = UnknownCommandProblem(app, arguments); !problem.empty()) {
    std::cerr << "mailshift-cli: " << problem << "\nRun with --help for more information.\n";
    return kExitBadArguments;
  }
  try {
    app.parse(static_cast<int>(argumentTexts.size()), argumentTexts.data());
  } catch (const CLI::ParseError& error) {
    const int shown = app.exit(error);
    return shown == 0 ? kExitDone : kExitBadArguments;
  }
  return exitCode;
}
