// Stand-ins for the dialogs and the desktop, and a complete set of services for the windows.
#pragma once

#include <QString>
#include <QTemporaryDir>
#include <QWidget>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "common/Global.h"
#include "common/testing/FakeControls.h"
#include "export/ComponentItemWriter.h"
#include "notes/testing/MemoryNotes.h"
#include "shell/QtDialogs.h"
#include "shell/ShellServices.h"
#include "shell/presenters/RealMailCore.h"

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
  bool Open(const std::string& path) override;
  std::vector<QString> opened;
  bool succeeds = true;
};

// Every service a window needs, with recording stand-ins; EndProgram counts its calls. Messages
// are written by the real message writer over GMime; the export log goes to a folder of its own.
struct TestServices {
  explicit TestServices(QString programFolder = {});
  ~TestServices();

  QString LogFile() const;

  mailshift::testing::FakeMessageBoxes messages;
  ScriptedFileDialog fileDialog;
  ScriptedFolderPicker folderPicker;
  RecordingOpener desktop;
  QtWaiter waiter;  // the real one: the windows paint and the message list fills as in the program
  notes::testing::MemoryNotesClient notes;
  QTemporaryDir logFolder;
  std::unique_ptr<mail::EmailComponent> email;
  mail::ComponentItemWriter writer;
  RealMailCore core;
  int endProgramCalls = 0;
  ShellServices services;
};

// Every message shown so far, one line each: "title | text".
QString ShownMessages(const mailshift::testing::FakeMessageBoxes& messages);

// The child widget of that name; fails the test when there is none.
template <typename Widget>
Widget* Find(const QObject& window, const char* name);

}  // namespace mailshift::shell::testing

#include "ShellTestSupport.inl"
