// The content of the export's progress line: where the whole run is, not only the folder.
#pragma once

#include <cstdint>
#include <string>

namespace mailshift::cli {

struct RunProgress {
  std::string folder;         // the output folder being written
  std::int64_t handled = 0;   // messages of the run handled so far
  std::int64_t total = 0;     // messages of every folder of the run
  double secondsElapsed = 0;  // since the first message
};

// "Inbox: 1200 of 20886 messages (5%), about 4 min left". The time left is guessed from the pace
// so far once a few seconds have passed; before that, and at the end, the line leaves it out.
std::string ProgressText(const RunProgress& progress);

}  // namespace mailshift::cli
