#include "cli/ProgressText.h"

#include <algorithm>
#include <cmath>

namespace mailshift::cli {
namespace {

// Before this much of the run has passed, a guess at the time left would only jump about.
constexpr double kSecondsBeforeAGuess = 3.0;

std::string TimeLeftText(double seconds) {
  if (seconds < 60) return "less than a minute left";
  const auto minutes = static_cast<std::int64_t>(std::ceil(seconds / 60));
  if (minutes < 120) return "about " + std::to_string(minutes) + " min left";
  const std::int64_t hours = minutes / 60;
  return "about " + std::to_string(hours) + " h " + std::to_string(minutes % 60) + " min left";
}

}  // namespace

std::string ProgressText(const RunProgress& progress) {
  // A folder may hold more than its scan counted; the line never claims more than all.
  const std::int64_t total = std::max(progress.total, progress.handled);
  const std::int64_t percent = total > 0 ? progress.handled * 100 / total : 100;
  std::string text = progress.folder + ": " + std::to_string(progress.handled) + " of " +
                     std::to_string(total) + " messages (" + std::to_string(percent) + "%)";
  if (progress.handled > 0 && progress.handled < total && progress.secondsElapsed >= kSecondsBeforeAGuess) {
    const double perMessage = progress.secondsElapsed / static_cast<double>(progress.handled);
    text += ", " + TimeLeftText(perMessage * static_cast<double>(total - progress.handled));
  }
  return text;
}

}  // namespace mailshift::cli
