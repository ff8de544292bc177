#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "common/Global.h"
#include "common/testing/FakeControls.h"
#include "export/ExportLaunch.h"
#include "export/tests/RecordingExport.h"

namespace mailshift::mail {
namespace {

using mailshift::testing::FakeMessageBoxes;
using mailshift::testing::FakeTree;

class ScriptedPicker : public FolderPicker {
 public:
  std::string PickFolder(std::intptr_t ownerWindow, const std::string& title) override {
    owners.push_back(ownerWindow);
    titles.push_back(title);
    return answer;
  }
  std::string answer;
  std::vector<std::intptr_t> owners;
  std::vector<std::string> titles;
};

// The tree a scan leaves: root, six standard folders, "Folders" and the user folders, checked.
FakeTree ScannedTree(const std::vector<std::string>& userFolders) {
  FakeTree tree;
  tree.AddNode({"Lotus Notes Address Book", "Notes Email Database", 0, std::nullopt, true, ""});
  for (const char* tag : {"Inbox", "Drafts", "Sent", "Follow-Up", "JunkMail", "Trash", "Folders"}) {
    tree.AddNode({tag, tag, 0, "Lotus Notes Address Book", false, tag});
  }
  for (const auto& folder : userFolders) tree.AddNode({folder, folder, 70, "Folders", false, folder});
  for (int position = 1; position <= tree.NodeCount(); ++position) tree.SetCheckState(position, 1);
  return tree;
}

class ExportLaunchTest : public ::testing::Test {
 protected:
  void SetUp() override { SetFolderPicker(&picker_); }
  void TearDown() override { SetFolderPicker(nullptr); }
  // A destination the launch may check by writing into it.
  std::string Destination(const std::string& name) const { return scratch_.path() + "/" + name; }
  testing::ScratchFolder scratch_;
  ScriptedPicker picker_;
  FakeMessageBoxes messages_;
  ProgramValues values_;
};

TEST_F(ExportLaunchTest, AnUnchangedTreeSelectsEveryEntryAfterTheRoot) {
  FakeTree tree = ScannedTree({"Projects", "Projects\\2008"});
  picker_.answer = Destination("Mail");
  EXPECT_TRUE(CmdStartConversion_Click(tree, messages_, values_));
  EXPECT_EQ(values_.SelectedFolders,
            (std::vector<std::string>{"Inbox", "Drafts", "Sent", "Follow-Up", "JunkMail", "Trash", "Folders",
                                      "Projects", "Projects\\2008", "", ""}));
  EXPECT_EQ(values_.DestinationRoot, Destination("Mail"));
  EXPECT_EQ(picker_.titles, (std::vector<std::string>{"Select Path to Save PST File"}));
  EXPECT_EQ(picker_.owners, (std::vector<std::intptr_t>{0}));
  EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(ExportLaunchTest, KeepsTreeOrderWithEmptyEntriesAfterTheCheckedOnes) {
  FakeTree tree = ScannedTree({"Work"});
  for (int position : {2, 3, 4, 5, 6, 8}) tree.SetCheckState(position, 0);  // Trash and Work stay checked
  picker_.answer = Destination("out");
  EXPECT_TRUE(CmdStartConversion_Click(tree, messages_, values_));
  EXPECT_EQ(values_.SelectedFolders,
            (std::vector<std::string>{"Trash", "Work", "", "", "", "", "", "", "", ""}));
}

TEST_F(ExportLaunchTest, TakesEachNodesOwnCheckAndNoLevelWithoutAFolder) {
  FakeTree tree = ScannedTree({"Projects"});
  // "Clients" is only a level above "Clients\Acme"; it carries no tag.
  tree.AddNode({"Clients", "Clients", 70, "Folders", false, ""});
  tree.AddNode({"Clients\\Acme", "Acme", 70, "Clients", false, "Clients\\Acme"});
  tree.SetCheckState(10, 1);
  tree.SetCheckState(11, 1);
  tree.SetCheckState(8, 0);  // "Folders" unchecked alone: the folders below it stay
  tree.SetPartlyChecked(8, true);
  picker_.answer = Destination("out");
  EXPECT_TRUE(CmdStartConversion_Click(tree, messages_, values_));
  EXPECT_EQ(values_.SelectedFolders,
            (std::vector<std::string>{"Inbox", "Drafts", "Sent", "Follow-Up", "JunkMail", "Trash", "Projects",
                                      "Clients\\Acme", "", "", "", ""}));
}

TEST_F(ExportLaunchTest, NothingCheckedAfterTheRootAsksForAFolder) {
  for (int variant = 0; variant < 2; ++variant) {
    FakeTree tree = variant == 0 ? ScannedTree({}) : FakeTree();
    if (variant == 0) {
      for (int position = 2; position <= tree.NodeCount(); ++position) tree.SetCheckState(position, 0);
    } else {
      tree.AddNode({"Lotus Notes Address Book", "Notes Email Database", 0, std::nullopt, true, ""});
      tree.SetCheckState(1, 1);
    }
    values_.DestinationRoot = "/before";
    EXPECT_FALSE(CmdStartConversion_Click(tree, messages_, values_));
    ASSERT_EQ(messages_.shown.size(), static_cast<std::size_t>(variant + 1));
    EXPECT_EQ(messages_.shown.back().text, "Please Select Folders to Export");
    EXPECT_EQ(messages_.shown.back().title, "Export to Outlook Express");
    EXPECT_EQ(messages_.shown.back().icon, MessageIcon::Information);
    EXPECT_EQ(messages_.shown.back().buttons, MessageButtons::Ok);
    EXPECT_TRUE(picker_.titles.empty());
    EXPECT_EQ(values_.DestinationRoot, "/before");
  }
}

TEST_F(ExportLaunchTest, ACancelledFolderDialogOpensNoWindow) {
  FakeTree tree = ScannedTree({});
  values_.DestinationRoot = "/before";
  picker_.answer = "";
  EXPECT_FALSE(CmdStartConversion_Click(tree, messages_, values_));
  EXPECT_EQ(values_.DestinationRoot, "");
  EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(ExportLaunchTest, EveryLaunchStartsFromAnEmptySelection) {
  FakeTree tree = ScannedTree({"A", "B"});
  picker_.answer = Destination("out");
  CmdStartConversion_Click(tree, messages_, values_);
  for (int position = 2; position <= tree.NodeCount(); ++position) tree.SetCheckState(position, 0);
  tree.SetCheckState(10, 1);
  CmdStartConversion_Click(tree, messages_, values_);
  EXPECT_EQ(values_.SelectedFolders, (std::vector<std::string>{"B", "", "", "", "", "", "", "", "", "", ""}));
}

TEST_F(ExportLaunchTest, ADestinationThatCannotBeWrittenIsSaidAndOpensNoWindow) {
  FakeTree tree = ScannedTree({});
  std::ofstream(Destination("file")) << "not a folder";
  picker_.answer = Destination("file") + "/below";
  EXPECT_FALSE(CmdStartConversion_Click(tree, messages_, values_));
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_EQ(
      messages_.shown[0].text.rfind("The destination folder cannot be written:\r\n" + picker_.answer, 0), 0u);
  EXPECT_EQ(messages_.shown[0].icon, MessageIcon::Exclamation);
}

TEST_F(ExportLaunchTest, AnEarlierExportInTheDestinationIsAskedAboutOnce) {
  FakeTree tree = ScannedTree({});
  values_.DatabaseTitle = "Mail - Ann";
  picker_.answer = Destination("out");
  EXPECT_TRUE(CmdStartConversion_Click(tree, messages_, values_));
  EXPECT_TRUE(messages_.shown.empty());  // nothing exported there yet
  EXPECT_FALSE(values_.ExportEverythingAgain);

  std::filesystem::create_directories(Destination("out/Mail - Ann"));
  std::ofstream(Destination("out/Mail - Ann/Mailshift-Manifest.txt"))
      << "Corvane Mailshift export manifest 1\r\n";
  const auto answered = [&](MessageAnswer answer) {
    messages_.shown.clear();
    messages_.answers.push_back(answer);
    return CmdStartConversion_Click(tree, messages_, values_);
  };
  EXPECT_TRUE(answered(MessageAnswer::Yes));
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_EQ(messages_.shown[0].buttons, MessageButtons::YesNoCancel);
  EXPECT_NE(messages_.shown[0].text.find(Destination("out/Mail - Ann/")), std::string::npos);
  EXPECT_FALSE(values_.ExportEverythingAgain);
  EXPECT_TRUE(answered(MessageAnswer::No));
  EXPECT_TRUE(values_.ExportEverythingAgain);
  EXPECT_FALSE(answered(MessageAnswer::Cancel));
}

}  // namespace
}  // namespace mailshift::mail
