#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "export/ExportManifest.h"
#include "export/tests/RecordingExport.h"

namespace mailshift::mail {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::ScratchFolder;

constexpr const char* kId1 = "0123456789ABCDEF0123456789ABCDEF";
constexpr const char* kId2 = "FEDCBA9876543210FEDCBA9876543210";

class ExportManifestTest : public ::testing::Test {
 protected:
  std::string Root() const { return scratch_.path() + "/"; }
  std::string File() const { return Root() + "Mailshift-Manifest.txt"; }
  ScratchFolder scratch_;
};

TEST_F(ExportManifestTest, IsMadeWithItsFirstEntryAndReadByTheNextRun) {
  {
    ExportManifest first(Root(), false);
    EXPECT_FALSE(first.existedBefore());
    EXPECT_FALSE(fs::exists(File()));  // a run that records nothing leaves none
    first.Add("Inbox", kId1, "Hello123.eml");
    // Each entry is in the file as soon as it is added.
    EXPECT_EQ(ReadFile(File()),
              "Corvane Mailshift export manifest 1\r\nInbox\t" + std::string(kId1) + "\tHello123.eml\r\n");
  }
  EXPECT_TRUE(HasManifest(Root()));
  ExportManifest next(Root(), false);
  EXPECT_TRUE(next.problem().empty()) << next.problem();
  EXPECT_TRUE(next.existedBefore());
  EXPECT_TRUE(next.Holds("Inbox", kId1));
  EXPECT_FALSE(next.Holds("Sent Items", kId1));
  EXPECT_TRUE(next.KnowsFile("Inbox", "Hello123.eml"));
  EXPECT_FALSE(next.KnowsFile("Inbox", "Other.eml"));
}

TEST_F(ExportManifestTest, ALineCutOffIsDroppedAndTheNextEntryStartsOnALineOfItsOwn) {
  std::ofstream(File(), std::ios::binary)
      << "Corvane Mailshift export manifest 1\r\nInbox\t" << kId1 << "\ta.eml\r\nInbox\t" << kId2 << "\tb.e";
  {
    ExportManifest manifest(Root(), false);
    EXPECT_TRUE(manifest.Holds("Inbox", kId1));
    EXPECT_FALSE(manifest.Holds("Inbox", kId2));
    EXPECT_EQ(manifest.size(), 1);
    manifest.Add("Inbox", kId2, "b.eml");
  }
  ExportManifest again(Root(), false);
  EXPECT_TRUE(again.Holds("Inbox", kId2));
  EXPECT_EQ(again.size(), 2);
}

TEST_F(ExportManifestTest, StartingAnewForgetsTheEarlierEntries) {
  { ExportManifest(Root(), false).Add("Inbox", kId1, "a.eml"); }
  ExportManifest anew(Root(), true);
  EXPECT_FALSE(anew.existedBefore());
  EXPECT_FALSE(anew.Holds("Inbox", kId1));
  anew.Add("Inbox", kId2, "b.eml");
  EXPECT_EQ(ReadFile(File()),
            "Corvane Mailshift export manifest 1\r\nInbox\t" + std::string(kId2) + "\tb.eml\r\n");
}

TEST_F(ExportManifestTest, ALinkOrAForeignFileIsNeitherUsedNorChanged) {
  const std::string target = scratch_.path() + "/elsewhere.txt";
  std::ofstream(target) << "kept";
  fs::create_symlink(target, File());
  {
    ExportManifest linked(Root(), false);
    EXPECT_NE(linked.problem().find("is a link"), std::string::npos);
    linked.Add("Inbox", kId1, "a.eml");
  }
  EXPECT_EQ(ReadFile(target), "kept");

  fs::remove(File());
  std::ofstream(File()) << "my own notes\n";
  {
    ExportManifest foreign(Root(), false);
    EXPECT_FALSE(foreign.problem().empty());
    foreign.Add("Inbox", kId1, "a.eml");
  }
  EXPECT_EQ(ReadFile(File()), "my own notes\n");
}

TEST_F(ExportManifestTest, FindsTheDocumentIdInAMessageHeaderOnly) {
  const std::string message = scratch_.path() + "/m.eml";
  std::ofstream(message, std::ios::binary) << "From: a@b.example\r\nx-notes-unid: " << kId1
                                           << "\r\nSubject: s\r\n\r\nX-Notes-UNID: " << kId2 << "\r\n";
  EXPECT_EQ(UniversalIdOfMessageFile(message), kId1);
  const std::string bodyOnly = scratch_.path() + "/n.eml";
  std::ofstream(bodyOnly, std::ios::binary) << "From: a@b.example\r\n\r\nX-Notes-UNID: " << kId2 << "\r\n";
  EXPECT_EQ(UniversalIdOfMessageFile(bodyOnly), "");
  EXPECT_EQ(UniversalIdOfMessageFile(scratch_.path() + "/missing.eml"), "");
}

}  // namespace
}  // namespace mailshift::mail
