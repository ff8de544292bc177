// The batch's progress line: "Mailboxes: 5 of 20 done, 4 running, 230 messages/s, about 2 min left".
#pragma once

#include <string>

#include "batch/BatchRun.h"

namespace mailshift::batch {

// The time left is guessed from the pace of the mailboxes finished so far; it is left out until
// one has finished and once all have.
std::string BatchProgressText(const BatchProgress& progress);

}  // namespace mailshift::batch
