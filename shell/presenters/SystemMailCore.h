// The mail core of the program: the system's Notes client and the message composer under the
// presenters' port. The program's windows on either system start with one.
#pragma once

#include <memory>

#include "export/ComponentItemWriter.h"
#include "platform/SystemNotesClient.h"
#include "platform/mime/MailComposer.h"
#include "shell/presenters/RealMailCore.h"

namespace mailshift::shell {

class SystemMailCore {
 public:
  SystemMailCore()
      : email_(platform::CreateMailComposer()), writer_(*email_), core_(notesClient_.sessions(), writer_) {}
  MailCore& Core() { return core_; }

 private:
  platform::SystemNotesClient notesClient_;
  std::unique_ptr<mail::EmailComponent> email_;
  mail::ComponentItemWriter writer_;
  RealMailCore core_;
};

}  // namespace mailshift::shell
