#include "ShellTestSupport.h"

#include <QDir>
#include <QStringList>

#include "platform/mime/MailComposer.h"

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

bool RecordingOpener::Open(const std::string& path) {
  opened.push_back(QString::fromStdString(path));
  return succeeds;
}

TestServices::TestServices(QString programFolder)
    : email(platform::CreateMailComposer()),
      writer(*email),
      core(notes, writer),
      services{messages,
               fileDialog,
               folderPicker,
               desktop,
               waiter,
               core,
               QDir(logFolder.path()).filePath(QStringLiteral("Log.txt")).toStdString(),
               programFolder.toStdString(),
               [this] { ++endProgramCalls; }} {}

TestServices::~TestServices() = default;

QString TestServices::LogFile() const { return QString::fromStdString(services.LogPath); }

QString ShownMessages(const mailshift::testing::FakeMessageBoxes& messages) {
  QStringList lines;
  for (const auto& shown : messages.shown) {
    lines << QString::fromStdString(shown.title + " | " + shown.text);
  }
  return lines.join(QLatin1Char('\n'));
}

}  // namespace mailshift::shell::testing
