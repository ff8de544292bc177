// The real EmailItemWriter: MessageWriter over an e-mail composition component. It lives apart
// so that code without the writer (the run's tests) need not link it.
#pragma once

#include <string>

#include "export/EmailComposition.h"
#include "export/EmailItemWriter.h"
#include "export/MessageWriter.h"

namespace mailshift::mail {

// Writes through MessageWriter with an e-mail composition component.
class ComponentItemWriter : public EmailItemWriter {
 public:
  explicit ComponentItemWriter(EmailComponent& component) : component_(component) {}

  WriteOutcome CreateEmailItem(const std::string& destinationRoot, const std::string& folder,
                               const std::string& from, std::string& subject, const std::string& to,
                               const std::string& cc, const std::string& bcc, const std::string& date,
                               const std::string& body, std::string& attachments) override {
    MessageWriter writer(component_, destinationRoot);
    return writer.CreateEmailItem(folder, from, subject, to, cc, bcc, date, body, attachments);
  }

 private:
  EmailComponent& component_;
};

}  // namespace mailshift::mail
