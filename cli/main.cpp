// mailshift-cli: the command-line companion of Corvane Mailshift.
#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/Console.h"
#include "common/ProgramVersion.h"

int main(int argc, char** argv) {
  using namespace mailshift::cli;
  PrepareConsole();
  const std::vector<std::string> arguments = ProgramArguments(argc, argv);
  std::vector<const char*> argumentTexts;
  for (const std::string& argument : arguments) argumentTexts.push_back(argument.c_str());
  CLI::App app{"Corvane Mailshift on the command line", "mailshift-cli"};
  app.set_version_flag("--version", std::string(mailshift::kProgramVersion), "Show the version and exit");
  app.require_subcommand(1);
  int exitCode = kExitDone;
  AddScanCommand(app, exitCode);
  AddListCommand(app, exitCode);
  AddExportCommand(app, exitCode);
  try {
    app.parse(static_cast<int>(argumentTexts.size()), argumentTexts.data());
  } catch (const CLI::ParseError& error) {
    const int shown = app.exit(error);
    return shown == 0 ? kExitDone : kExitBadArguments;
  }
  return exitCode;
}
