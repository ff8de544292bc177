#include "export/MessageWriter.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/Global.h"
#include "common/TextRules.h"
#include "export/MessageComposition.h"
#include "export/SafeFiles.h"

namespace mailshift::mail {

std::int32_t MessageWriter::DrawFileNumber() { return RandomInRange(1, 40000); }

MessageWriter::MessageWriter(EmailComponent& component, std::string destinationRoot, NumberSource drawNumber,
                             PassingFiles passingFiles)
    : component_(component),
      destinationRoot_(std::move(destinationRoot)),
      files_(std::move(drawNumber), passingFiles) {}

WriteOutcome MessageWriter::CreateEmailItem(const std::string& folder, const EmailItem& fields) {
  WriteOutcome outcome;
  const ComposedMessage composed = ComposeMessage(component_, fields, outcome.problems, &outcome.fallbacks);
  outcome.attachments = AttachmentListAfterWriting(fields.attachments);
  outcome.cleanedSubject = RemoveNameCharacters(fields.subject);
  const std::int32_t number = files_.DrawNumber();
  if (composed.message == nullptr || composed.renderer == nullptr) {
    outcome.reason = "the e-mail component gave no message to write";
    return outcome;
  }

  // The rendered text and the CR LF that ends the file.
  const auto content = [&](std::FILE* file) {
    composed.renderer->Render(*composed.message, file);
    if (std::fputs("\r\n", file) == EOF) {
      throw EmailError(std::string("cannot write the file: ") + std::strerror(errno));
    }
  };
  const auto date = composed.date ? std::optional(composed.date->secondsSinceEpoch) : std::nullopt;
  files_.Write(destinationRoot_ + folder + kPathSeparator, content, date, outcome.cleanedSubject, number,
               outcome);
  return outcome;
}

}  // namespace mailshift::mail
