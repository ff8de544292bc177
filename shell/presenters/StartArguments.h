// What the program is asked on its command line, read before any window exists: open the
// windows (with a database chosen or not), show its usage or its version, or refuse.
#pragma once

#include <string>
#include <vector>

namespace mailshift::shell {

struct StartRequest {
  enum class Action { OpenWindows, ShowUsage, ShowVersion, Refuse };
  Action action = Action::OpenWindows;
  std::string databaseFile;  // OpenWindows: the database to choose at start; "" for none
  std::string problem;       // Refuse: what is wrong with the arguments
};

// Reads the arguments after the program's name. A request for help or the version wins over
// anything else on the line; "/?" asks for help on Windows.
StartRequest ReadStartArguments(const std::vector<std::string>& arguments);

// The usage the program shows for --help: its arguments and what the platform's build reads.
std::string StartUsageText();

}  // namespace mailshift::shell
