#include "batch/MailboxResult.h"

#include <array>
#include <utility>

namespace mailshift::batch {
namespace {

constexpr std::array<std::pair<MailboxStatus, std::string_view>, 5> kStatusTexts{{
    {MailboxStatus::Done, "done"},
    {MailboxStatus::DoneWithErrors, "done with errors"},
    {MailboxStatus::Failed, "failed"},
    {MailboxStatus::Skipped, "skipped"},
    {MailboxStatus::Running, "running"},
}};

}  // namespace

std::string_view StatusText(MailboxStatus status) {
  for (const auto& [known, text] : kStatusTexts) {
    if (known == status) return text;
  }
  return "failed";
}

std::optional<MailboxStatus> StatusNamed(std::string_view text) {
  for (const auto& [status, known] : kStatusTexts) {
    if (known == text) return status;
  }
  return std::nullopt;
}

}  // namespace mailshift::batch
