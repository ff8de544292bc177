#include "shell/presenters/StartArguments.h"

#include "common/RememberedFolders.h"

namespace mailshift::shell {
namespace {

bool AsksForHelp(const std::string& argument) {
#ifdef _WIN32
  if (argument == "/?") return true;
#endif
  return argument == "--help" || argument == "-h";
}

}  // namespace

StartRequest ReadStartArguments(const std::vector<std::string>& arguments) {
  StartRequest request;
  for (const std::string& argument : arguments) {
    if (AsksForHelp(argument)) return {StartRequest::Action::ShowUsage, {}, {}};
  }
  for (const std::string& argument : arguments) {
    if (argument == "--version") return {StartRequest::Action::ShowVersion, {}, {}};
  }
  for (const std::string& argument : arguments) {
    if (argument.size() > 1 && argument.front() == '-') {
      return {StartRequest::Action::Refuse, {}, "unknown option " + argument};
    }
    if (!request.databaseFile.empty()) {
      return {StartRequest::Action::Refuse,
              {},
              "one database at a time: " + request.databaseFile + ", " + argument};
    }
    if (!IsNotesDatabaseFile(argument)) {
      return {StartRequest::Action::Refuse, {}, argument + " is not a Notes database file (.nsf)"};
    }
    request.databaseFile = argument;
  }
  return request;
}

std::string StartUsageText() {
  std::string text =
      "Usage: mailshift [FILE.nsf]\n"
      "Corvane Mailshift moves the mail of a Notes mail database into .eml files, one per message,\n"
      "with their attachments, and writes a log of each run.\n"
      "\n"
      "  FILE.nsf     open the windows with this database chosen; Start Scan reads it\n"
#ifdef _WIN32
      "  --help, /?   show this help and exit\n"
#else
      "  --help, -h   show this help and exit\n"
#endif
      "  --version    show the version and exit\n"
      "\n";
#ifdef _WIN32
  text +=
      "A Notes database is read through the Notes client installed on this computer.\n"
      "mailshift-cli.exe does the same on the command line (mailshift-cli.exe /?).\n";
#else
  text +=
      "On Linux the program reads only mail stores made with its store tool, mailshift-store\n"
      "(a sample: /usr/share/corvane-mailshift/Sample Mail.nsf). A Notes database itself is read\n"
      "through the Notes client, by the program on Windows.\n"
      "mailshift-cli does the same on the command line (man mailshift-cli).\n";
#endif
  return text;
}

}  // namespace mailshift::shell
