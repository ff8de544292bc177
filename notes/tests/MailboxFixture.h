// A mailbox in an in-memory Notes client, scanned and previewed through the core.
#pragma once

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "notes/FolderChecks.h"
#include "notes/FolderOutline.h"
#include "notes/MailPreview.h"
#include "notes/MailScan.h"
#include "notes/testing/MemoryNotes.h"

namespace mailshift::notes {

// Records what a scan tells its observer, and asks it to stop after a number of folders.
class RecordingScanObserver : public ScanObserver {
 public:
  void PhaseStarted(ScanPhase phase) override { phases.push_back(phase); }
  void FolderShown(const std::string& caption) override { captions.push_back(caption); }
  bool StopRequested() override {
    ++stopQuestions;
    return stopAfterCaptions >= 0 && static_cast<int>(captions.size()) >= stopAfterCaptions;
  }

  std::vector<ScanPhase> phases;
  std::vector<std::string> captions;
  int stopAfterCaptions = -1;  // never when negative
  int stopQuestions = 0;
};

class MailboxFixture : public ::testing::Test {
 protected:
  static constexpr const char* kPath = "C:\\Mail\\jdoe.nsf";

  MailboxFixture() : db(client.AddDatabase(kPath)) { db.title = "John Doe Mail"; }

  // Scans kPath (or another path) and keeps the result.
  const ScanResult& Scan(const std::string& path = kPath) {
    scanned = notes::Scan(client, path, &observer);
    return scanned;
  }

  // The outline of the last scan with every node checked, as a scan leaves them.
  std::vector<std::string> Outline() const {
    return FolderOutline(scanned.nodes, FolderChecks(scanned.nodes));
  }

  const FolderNode& Node(const std::string& key) const {
    for (const FolderNode& node : scanned.nodes) {
      if (node.key == key) return node;
    }
    throw std::runtime_error("no node " + key);
  }

  // The preview rows of the folder of that tag, through the session of the last scan.
  PreviewResult List(const std::string& tag) {
    EXPECT_TRUE(scanned.session) << "no scan kept a session";
    if (!scanned.session) return {};
    return Preview(*scanned.session, kPath, tag);
  }

  // Adds `count` plain documents and returns their indexes.
  std::vector<std::size_t> Documents(int count) {
    std::vector<std::size_t> indexes;
    for (int i = 0; i < count; ++i) indexes.push_back(db.AddDocument(testing::MemoryDocument{}));
    return indexes;
  }

  testing::MemoryNotesClient client;
  testing::MemoryDatabase& db;
  RecordingScanObserver observer;
  ScanResult scanned;
};

}  // namespace mailshift::notes
