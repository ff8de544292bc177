// Test stand-ins for the export run: an observer that records the run's events, a message writer that records
// its calls and writes a plain file per message, and a scratch folder that is removed after the test.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "export/EmailItemWriter.h"
#include "export/ExportPlan.h"

namespace mailshift::mail::testing {

// Records every event as one line: "RunStarted", "SessionReady", "LookingForFolders",
// "Folder=TAG -> OUTPUT" (standard folders "Standard=TAG -> OUTPUT"), "Counted=N",
// "Document=SUBJECT HANDLED/COUNT", "Handled=HANDLED/COUNT written|not written|skipped".
class RecordingObserver : public ExportObserver {
 public:
  void RunStarted() override { Record("RunStarted"); }
  void SessionReady() override { Record("SessionReady"); }
  void LookingForFolders() override { Record("LookingForFolders"); }
  void FolderStarted(const FolderStart& folder) override;
  void FolderCounted(std::int64_t count) override { Record("Counted=" + std::to_string(count)); }
  void DocumentStarted(const DocumentProgress& progress) override;
  void DocumentHandled(const DocumentProgress& progress) override;
  bool StopRequested() override {
    ++stopQuestions;
    return stopAfter >= 0 && static_cast<int>(handled.size()) >= stopAfter;
  }

  std::vector<std::string> events;
  std::vector<DocumentProgress> handled;
  // Called with each event after it is recorded.
  std::function<void(const std::string&)> onEvent;
  // The run is asked to stop once this many documents were handled; never when negative.
  int stopAfter = -1;
  int stopQuestions = 0;

 private:
  void Record(std::string event);
};

// One call of CreateEmailItem as the run made it, arguments as received.
struct WriterCall {
  std::string root, folder, from, subject, to, cc, bcc, date, body, attachments;
  // Name and bytes of every attachment file that existed at the call, in list order.
  std::vector<std::pair<std::string, std::string>> attachedFiles;
  MessageHeaders headers{};
  bool withBodyParts = false;  // the body came as the parts it was sent with
  // The names of the files the writer was handed to attach, whether they existed or not.
  std::vector<std::string> handedFiles{};
};

// Writes each message as a small text file ROOT/FOLDER/<cleaned subject>.<call number>.txt and
// gives back the cleaned subject and the attachment list as the real writer does.
class RecordingWriter : public EmailItemWriter {
 public:
  WriteOutcome CreateEmailItem(const std::string& destinationRoot, const std::string& folder,
                               const EmailItem& fields) override;

  std::vector<WriterCall> calls;
  // Subjects (as received) for which the writer reports failure, or throws.
  std::vector<std::string> refuse;
  std::vector<std::string> throwFor;
  // Subjects whose message is written with these problems.
  std::map<std::string, std::vector<std::string>> problemsFor;
  // Subjects whose message is written with these final fallbacks.
  std::map<std::string, std::vector<std::string>> fallbacksFor;
  // Off: no file is made, every message counts as written.
  bool writeFiles = true;
  // The files' ending; their header names the document's id, as the real writer's does.
  std::string fileExtension = ".txt";
};

// A fresh folder under the system's temporary folder, removed with its content at the end.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::string& path() const { return path_; }  // without a trailing separator

 private:
  std::string path_;
};

// Points the system's temporary folder (TMPDIR) at a scratch folder while the object lives, and
// back where it was afterwards.
class ScratchTemporaryFolder {
 public:
  ScratchTemporaryFolder();
  ~ScratchTemporaryFolder();
  ScratchTemporaryFolder(const ScratchTemporaryFolder&) = delete;
  ScratchTemporaryFolder& operator=(const ScratchTemporaryFolder&) = delete;
  const std::string& path() const { return folder_.path(); }

 private:
  ScratchFolder folder_;
  std::optional<std::string> previous_;
};

std::string ReadFile(const std::string& path);
// Every file and folder below root, relative, sorted; folders end in "/".
std::vector<std::string> TreeBelow(const std::string& root);

}  // namespace mailshift::mail::testing
