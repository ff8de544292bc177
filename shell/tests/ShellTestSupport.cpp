#include "ShellTestSupport.h"

#include <QStringList>

namespace mailshift::shell::testing {

std::string ScriptedFileDialog::ShowOpen(const std::string& filter) {
  filters.push_back(filter);
  if (answers.empty()) return {};
  std::string answer = answers.front();
  answers.pop_front();
  return answer;
}

std::string ScriptedFolderPicker::PickFolder(std::intptr_t, const std::string& title) {
  titles.push_back(title);
  if (answers.empty()) return {};
  std::string answer = answers.front();
  answers.pop_front();
  return answer;
}

bool RecordingOpener::Open(const QString& path) {
  opened.push_back(path);
  return succeeds;
}

std::unique_ptr<mail::EmailMessage> UnusedEmailComponent::CreateMessage() {
  throw mail::EmailError("no e-mail component in this test");
}

std::unique_ptr<mail::MessageRenderer> UnusedEmailComponent::CreateRenderer() {
  throw mail::EmailError("no e-mail component in this test");
}

TestServices::TestServices(QString programFolder)
    : services{messages, fileDialog, desktop, waiter, notes, email, std::move(programFolder), [this] {
                 ++endProgramCalls;
               }} {
  SetFolderPicker(&folderPicker);
}

TestServices::~TestServices() { SetFolderPicker(nullptr); }

QString ShownMessages(const mailshift::testing::FakeMessageBoxes& messages) {
  QStringList lines;
  for (const auto& shown : messages.shown) {
    lines << QString::fromStdString(shown.title + " | " + shown.text);
  }
  return lines.join(QLatin1Char('\n'));
}

}  // namespace mailshift::shell::testing
