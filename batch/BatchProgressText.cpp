#include "batch/BatchProgressText.h"

#include <cmath>

namespace mailshift::batch {
namespace {

std::string TimeText(double seconds) {
  if (seconds < 90) return std::to_string(static_cast<long long>(std::ceil(seconds))) + " s";
  if (seconds < 90 * 60) return std::to_string(static_cast<long long>(std::round(seconds / 60))) + " min";
  const long long minutes = static_cast<long long>(std::round(seconds / 60));
  return std::to_string(minutes / 60) + " h " + std::to_string(minutes % 60) + " min";
}

}  // namespace

std::string BatchProgressText(const BatchProgress& progress) {
  std::string text = "Mailboxes: " + std::to_string(progress.finished) + " of " +
                     std::to_string(progress.mailboxes) + " done";
  if (progress.running > 0) text += ", " + std::to_string(progress.running) + " running";
  if (progress.seconds > 0 && progress.finished > 0) {
    const double rate = static_cast<double>(progress.messages) / progress.seconds;
    text += ", " + std::to_string(static_cast<long long>(std::llround(rate))) + " messages/s";
    if (progress.finished < progress.mailboxes) {
      const double left = progress.seconds / static_cast<double>(progress.finished) *
                          static_cast<double>(progress.mailboxes - progress.finished);
      text += ", about " + TimeText(left) + " left";
    }
  }
  return text;
}

}  // namespace mailshift::batch
