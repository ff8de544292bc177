// What the export window shows while a run goes: the texts of its labels, the visibility of its
// subject caption, and its closing message. RunExport (export/ExportDriver.h) turns the run's
// events into these until the windows take the events themselves.
#pragma once

#include <cstdint>
#include <string>

#include "common/Controls.h"

namespace mailshift::mail {

enum class ExportLabel { LblSaveHeader, LblProcessing, LblFound, LblCurrent };

// The message that ends a run: completion, or one of the two failures.
struct ExportMessage {
  std::string text;
  std::string title;
  MessageIcon icon = MessageIcon::Information;
};

// One document handed to the message writer.
struct ExportProgress {
  std::string folder;        // the output folder, relative to the output root
  std::int64_t handled = 0;  // documents of this folder handed on so far, this one included
  std::int64_t count = 0;    // the folder's entry count
  bool written = false;      // whether the message file was written
  bool skipped = false;      // an earlier export into the same place wrote it already
};

class ExportWindowObserver {
 public:
  virtual ~ExportWindowObserver() = default;
  virtual void SetLabel(ExportLabel label, const std::string& text) = 0;
  // LblSubject
  virtual void SetSubjectVisible(bool visible) = 0;
  virtual void ShowMessage(const ExportMessage& message) = 0;
  // After each document; for observers that show more than the window does.
  virtual void DocumentHandled(const ExportProgress& /*progress*/) {}
  // Asked before each document: true stops the run there. The message being written is always
  // finished first, nothing already written is removed, and the run ends with its completion
  // message, which says how many messages were left.
  virtual bool StopRequested() { return false; }
};

}  // namespace mailshift::mail
