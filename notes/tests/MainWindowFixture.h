// A main window of fakes over an in-memory Notes client, for the tests of the scan and preview
// handlers.
#pragma once

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "common/ProgramValues.h"
#include "common/testing/FakeControls.h"
#include "notes/NotesState.h"
#include "notes/Preview.h"
#include "notes/Scan.h"
#include "notes/testing/MemoryNotes.h"

namespace mailshift::notes {

// A tree that refuses chosen operations, to drive the scan's failure policies.
class RefusingTree : public mailshift::testing::FakeTree {
 public:
  void UseSmallIcons() override {
    if (refuseIcons) throw ControlError("the icon list could not be set");
    HeadlessTree::UseSmallIcons();
  }
  void AddNode(const TreeNodeSpec& node) override {
    if (refusedKeys.count(node.key) != 0) throw ControlError("node refused: " + node.key);
    HeadlessTree::AddNode(node);
  }

  bool refuseIcons = false;
  std::set<std::string> refusedKeys;
};

class MainWindowFixture : public ::testing::Test {
 protected:
  static constexpr const char* kPath = "C:\\Mail\\jdoe.nsf";

  MainWindowFixture() : db(client.AddDatabase(kPath)) {
    window.txtNotesDatabaseFile.SetCaption(kPath);
    db.title = "John Doe Mail";
  }

  MainWindowControls controls() {
    auto& w = window;
    return MainWindowControls{
        w.NotesTab,        w.txtNotesDatabaseFile, w.CmdBrowse,          w.CmdScan,       w.ScanFrame,
        w.ImgReadingArrow, w.ImgEmailsArrow,       w.ImgMailFolderArrow, w.LblFolderName, tree,
        w.MailList,        w.NotesToolBar,         w.Messages,           w.Wait};
  }

  ScanOutcome Scan() {
    MainWindowControls c = controls();
    return CmdScan_Click(c, client, notes, values);
  }

  // Selects the node with that key and clicks the tree.
  PreviewOutcome Click(const std::string& key) {
    tree.selected.reset();
    for (std::size_t i = 0; i < tree.nodes.size(); ++i) {
      if (tree.nodes[i].key == key) tree.selected = static_cast<int>(i + 1);
    }
    EXPECT_TRUE(tree.selected.has_value()) << "no node " << key;
    MainWindowControls c = controls();
    return ContactsTreeView_Click(c, notes);
  }

  // Adds `count` plain documents and returns their indexes.
  std::vector<std::size_t> Documents(int count) {
    std::vector<std::size_t> indexes;
    for (int i = 0; i < count; ++i) indexes.push_back(db.AddDocument(testing::MemoryDocument{}));
    return indexes;
  }

  mailshift::testing::FakeMainWindow window;
  RefusingTree tree;  // stands in for window.ContactsTreeView
  testing::MemoryNotesClient client;
  testing::MemoryDatabase& db;
  NotesState notes;
  ProgramValues values;
};

}  // namespace mailshift::notes
