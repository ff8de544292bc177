// The real EmailItemWriter: MessageWriter over an e-mail composition component. It lives apart
// so that code without the writer (the run's tests) need not link it.
#pragma once

#include <memory>
#include <string>

#include "export/EmailComposition.h"
#include "export/EmailItemWriter.h"
#include "export/MessageWriter.h"

namespace mailshift::mail {

// Writes through MessageWriter with an e-mail composition component; one writer per output
// root, so that it knows the names it has given.
class ComponentItemWriter : public EmailItemWriter {
 public:
  explicit ComponentItemWriter(EmailComponent& component) : component_(component) {}

  WriteOutcome CreateEmailItem(const std::string& destinationRoot, const std::string& folder,
                               const EmailItem& fields) override {
    if (!writer_ || root_ != destinationRoot) {
      writer_ = std::make_unique<MessageWriter>(component_, destinationRoot);
      root_ = destinationRoot;
    }
    return writer_->CreateEmailItem(folder, fields);
  }

 private:
  EmailComponent& component_;
  std::string root_;
  std::unique_ptr<MessageWriter> writer_;
};

}  // namespace mailshift::mail
