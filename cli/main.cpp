// mailshift-cli: the command-line companion of Corvane Mailshift.
#include <CLI/CLI.hpp>

#include "cli/Commands.h"

int main(int argc, char** argv) {
  using namespace mailshift::cli;
  CLI::App app{"Corvane Mailshift on the command line", "mailshift-cli"};
  app.require_subcommand(1);
  int exitCode = kExitDone;
  AddScanCommand(app, exitCode);
  AddListCommand(app, exitCode);
  AddExportCommand(app, exitCode);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    const int shown = app.exit(error);
    return shown == 0 ? kExitDone : kExitBadArguments;
  }
  return exitCode;
}
