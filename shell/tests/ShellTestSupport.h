// Stand-ins for the dialogs and the desktop, and a complete set of services for the windows.
#pragma once

#include <QString>
#include <QWidget>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "common/Global.h"
#include "common/testing/FakeControls.h"
#include "notes/testing/MemoryNotes.h"
#include "shell/ShellServices.h"

namespace mailshift::shell::testing {

class ScriptedFileDialog final : public FileOpenDialog {
 public:
  std::string ShowOpen(const std::string& filter) override;
  std::deque<std::string> answers;  // "" when none is left (cancelled)
  std::vector<std::string> filters;
};

class ScriptedFolderPicker final : public FolderPicker {
 public:
  std::string PickFolder(std::intptr_t ownerWindow, const std::string& title) override;
  std::deque<std::string> answers;
  std::vector<std::string> titles;
};

class RecordingOpener final : public FileOpener {
 public:
  bool Open(const QString& path) override;
  std::vector<QString> opened;
  bool succeeds = true;
};

class UnusedEmailComponent final : public mail::EmailComponent {
 public:
  std::unique_ptr<mail::EmailMessage> CreateMessage() override;
  std::unique_ptr<mail::MessageRenderer> CreateRenderer() override;
};

// Every service a window needs, with recording stand-ins; EndProgram counts its calls.
struct TestServices {
  explicit TestServices(QString programFolder = {});
  ~TestServices();

  mailshift::testing::FakeMessageBoxes messages;
  ScriptedFileDialog fileDialog;
  ScriptedFolderPicker folderPicker;
  RecordingOpener desktop;
  mailshift::testing::FakeWaiter waiter;
  notes::testing::MemoryNotesClient notes;
  UnusedEmailComponent email;
  int endProgramCalls = 0;
  ShellServices services;
  ProgramState state;
};

// Every message shown so far, one line each: "title | text".
QString ShownMessages(const mailshift::testing::FakeMessageBoxes& messages);

// The child widget of that name; fails the test when there is none.
template <typename Widget>
Widget* Find(const QObject& window, const char* name);

}  // namespace mailshift::shell::testing

#include "ShellTestSupport.inl"
