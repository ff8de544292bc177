#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
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
  void SetUp() override { ASSERT_EQ(root_.Open(Root()), 0); }
  std::string Root() const { return scratch_.path() + "/"; }
  std::string File() const { return Root() + "Mailshift-Manifest.txt"; }
  bool Holds(const ExportManifest& manifest, const std::string& folder, const std::string& id) const {
    return manifest.Find(folder, id).has_value();
  }
  ScratchFolder scratch_;
  OpenedFolder root_;
};

ManifestRecord Whole(const std::string& file, std::int64_t bytes = 10) { return {file, bytes, true}; }

TEST_F(ExportManifestTest, IsMadeAtTheStartAndReadByTheNextRun) {
  {
    ExportManifest first(root_, false);
    EXPECT_FALSE(first.existedBefore());
    EXPECT_EQ(ReadFile(File()), "Corvane Mailshift export manifest 1\r\n");
    first.Add("Inbox", kId1, Whole("Hello123.eml", 420));
    first.Add("Inbox", kId2, ManifestRecord{"Half7.eml", 99, false});
    // Each entry is in the file as soon as it is added.
    EXPECT_EQ(ReadFile(File()), "Corvane Mailshift export manifest 1\r\nInbox\t" + std::string(kId1) +
                                    "\tHello123.eml\t420\r\nInbox\t" + kId2 + "\tHalf7.eml\t99\tpart\r\n");
    first.Finish();
  }
  EXPECT_TRUE(HasManifest(Root()));
  ExportManifest next(root_, false);
  EXPECT_TRUE(next.problem().empty()) << next.problem();
  EXPECT_TRUE(next.existedBefore());
  ASSERT_TRUE(Holds(next, "Inbox", kId1));
  EXPECT_EQ(next.Find("Inbox", kId1)->bytes, 420);
  EXPECT_TRUE(next.Find("Inbox", kId1)->whole);
  EXPECT_FALSE(next.Find("Inbox", kId2)->whole);
  EXPECT_FALSE(Holds(next, "Sent Items", kId1));
  EXPECT_TRUE(next.KnowsFile("Inbox", "Hello123.eml"));
  EXPECT_FALSE(next.KnowsFile("Inbox", "Other.eml"));
}

TEST_F(ExportManifestTest, ARunThatRecordsNothingLeavesNoneAndALaterLineOverridesAnEarlierOne) {
  {
    ExportManifest nothing(root_, false);
    nothing.Finish();
  }
  EXPECT_FALSE(fs::exists(File()));
  std::ofstream(File(), std::ios::binary)
      << "Corvane Mailshift export manifest 1\r\nInbox\t" << kId1 << "\ta.eml\r\nInbox\t" << kId1
      << "\ta.eml\t7\tpart\r\nInbox\t" << kId1 << "\ta.eml\t8\r\n";
  ExportManifest manifest(root_, false);
  ASSERT_TRUE(Holds(manifest, "Inbox", kId1));
  EXPECT_TRUE(manifest.Find("Inbox", kId1)->whole);
  EXPECT_EQ(manifest.Find("Inbox", kId1)->bytes, 8);
  manifest.Finish();
  EXPECT_TRUE(fs::exists(File()));  // it was there before
}

// A disk that filled while the first line was written left an empty file: it is this program's.
TEST_F(ExportManifestTest, AnEmptyOrCutFirstLineIsAManifestWithoutEntries) {
  for (const char* content : {"", "Corvane Mailsh"}) {
    std::ofstream(File(), std::ios::binary) << content;
    ExportManifest manifest(root_, false);
    EXPECT_TRUE(manifest.problem().empty()) << manifest.problem();
    EXPECT_TRUE(manifest.existedBefore());
    EXPECT_EQ(ReadFile(File()), "Corvane Mailshift export manifest 1\r\n");
  }
}

TEST_F(ExportManifestTest, ASecondRunIsToldThatTheManifestIsBusy) {
  ExportManifest first(root_, false);
  ExportManifest second(root_, false);
  EXPECT_FALSE(first.busy());
  EXPECT_TRUE(second.busy());
  EXPECT_NE(second.problem().find("another export is writing into " + Root()), std::string::npos);
}

TEST_F(ExportManifestTest, ALineCutOffIsDroppedAndTheNextEntryStartsOnALineOfItsOwn) {
  std::ofstream(File(), std::ios::binary)
      << "Corvane Mailshift export manifest 1\r\nInbox\t" << kId1 << "\ta.eml\r\nInbox\t" << kId2 << "\tb.e";
  {
    ExportManifest manifest(root_, false);
    EXPECT_TRUE(Holds(manifest, "Inbox", kId1));
    EXPECT_FALSE(Holds(manifest, "Inbox", kId2));
    EXPECT_EQ(manifest.size(), 1);
    manifest.Add("Inbox", kId2, Whole("b.eml"));
  }
  ExportManifest again(root_, false);
  EXPECT_TRUE(Holds(again, "Inbox", kId2));
  EXPECT_EQ(again.size(), 2);
}

TEST_F(ExportManifestTest, StartingAnewForgetsTheEarlierEntries) {
  { ExportManifest(root_, false).Add("Inbox", kId1, Whole("a.eml")); }
  ExportManifest anew(root_, true);
  EXPECT_FALSE(anew.existedBefore());
  EXPECT_FALSE(Holds(anew, "Inbox", kId1));
  anew.Add("Inbox", kId2, Whole("b.eml", 5));
  EXPECT_EQ(ReadFile(File()),
            "Corvane Mailshift export manifest 1\r\nInbox\t" + std::string(kId2) + "\tb.eml\t5\r\n");
}

// Starting anew or not, a file that is not this program's own manifest is left as it is.
TEST_F(ExportManifestTest, ALinkAHardLinkAPipeOrAForeignFileIsNeitherUsedNorChanged) {
  const std::string target = scratch_.path() + "/elsewhere.txt";
  for (const bool anew : {false, true}) {
    std::ofstream(target) << "Corvane Mailshift export manifest 1\r\n";
    fs::create_symlink(target, File());
    {
      ExportManifest linked(root_, anew);
      EXPECT_NE(linked.problem().find("link"), std::string::npos);
      linked.Add("Inbox", kId1, Whole("a.eml"));
    }
    fs::remove(File());
    fs::create_hard_link(target, File());
    {
      ExportManifest hardLinked(root_, anew);
      EXPECT_NE(hardLinked.problem().find("another name"), std::string::npos);
      hardLinked.Add("Inbox", kId1, Whole("a.eml"));
    }
    EXPECT_EQ(ReadFile(target), "Corvane Mailshift export manifest 1\r\n");
    fs::remove(File());

    ASSERT_EQ(mkfifo(File().c_str(), 0600), 0);
    {
      ExportManifest pipe(root_, anew);  // returns at once instead of waiting for a writer
      EXPECT_NE(pipe.problem().find("not a plain file"), std::string::npos);
    }
    fs::remove(File());

    std::ofstream(File()) << "my own notes\n";
    {
      ExportManifest foreign(root_, anew);
      EXPECT_NE(foreign.problem().find("no manifest of this program"), std::string::npos);
      foreign.Add("Inbox", kId1, Whole("a.eml"));
      foreign.Finish();
    }
    EXPECT_EQ(ReadFile(File()), "my own notes\n");
    fs::remove(File());

    // A first line longer than any of ours, read a piece at a time, is not taken for a start.
    for (const std::string& content :
         {std::string(100000, 'x'),
          std::string(100000, 'x') + "\n" + "Corvane Mailshift export manifest 1\r\n"}) {
      std::ofstream(File(), std::ios::binary) << content;
      {
        ExportManifest foreign(root_, anew);
        EXPECT_NE(foreign.problem().find("no manifest of this program"), std::string::npos);
        foreign.Finish();
      }
      EXPECT_EQ(ReadFile(File()), content);
      fs::remove(File());
    }
  }
}

TEST_F(ExportManifestTest, FindsTheDocumentIdInAMessageHeaderOnlyAndOnlyInPlainFiles) {
  std::ofstream(Root() + "m.eml", std::ios::binary)
      << "From: a@b.example\r\nx-notes-unid: " << kId1 << "\r\nSubject: s\r\n\r\nX-Notes-UNID: " << kId2
      << "\r\n";
  EXPECT_EQ(UniversalIdOfMessageFile(root_, "m.eml"), kId1);
  std::ofstream(Root() + "n.eml", std::ios::binary)
      << "From: a@b.example\r\n\r\nX-Notes-UNID: " << kId2 << "\r\n";
  EXPECT_EQ(UniversalIdOfMessageFile(root_, "n.eml"), "");
  EXPECT_EQ(UniversalIdOfMessageFile(root_, "missing.eml"), "");
  // Neither a pipe without a writer nor an endless device holds the run up.
  ASSERT_EQ(mkfifo((Root() + "pipe.eml").c_str(), 0600), 0);
  EXPECT_EQ(UniversalIdOfMessageFile(root_, "pipe.eml"), "");
  fs::create_symlink("/dev/zero", Root() + "zero.eml");
  EXPECT_EQ(UniversalIdOfMessageFile(root_, "zero.eml"), "");
  std::ofstream(Root() + "long.eml", std::ios::binary) << std::string(1024 * 1024, 'x');
  EXPECT_EQ(UniversalIdOfMessageFile(root_, "long.eml"), "");
}

// A manifest far larger than one piece of reading: every line is found however the pieces cut it,
// ids of every form are told apart, a document's messages keep the order they were first
// recorded in, and a later line for the same file counts in the first one's place.
TEST_F(ExportManifestTest, ALargeManifestIsReadWholeAndEveryFormOfIdIsKeptApart) {
  constexpr int kLines = 20000;
  const auto hexId = [](int line) {
    char text[33];
    std::snprintf(text, sizeof text, "%032X", line);
    return std::string(text);
  };
  {
    std::ofstream out(File(), std::ios::binary);
    out << "Corvane Mailshift export manifest 1\r\n";
    for (int line = 0; line < kLines; ++line)
      out << (line % 2 ? "Inbox" : "Projects-2008") << '\t' << hexId(line) << "\tMessage " << line << ".eml\t"
          << line << "\r\n";
    // The same id in lower case, a short id, a second message of one id, a file without an id,
    // and a later line for the first message's file.
    out << "Inbox\t" << std::string(32, 'a') << "\tlower.eml\t1\r\n"
        << "Inbox\t" << std::string(32, 'A') << "\tupper.eml\t2\r\n"
        << "Inbox\tm1\tshort.eml\t3\r\n"
        << "Inbox\tm1\tshort second.eml\t4\r\n"
        << "Inbox\t\tno id.eml\t5\r\n"
        << "Inbox\tm1\tshort.eml\t30\tpart\r\n";
  }
  ExportManifest manifest(root_, false);
  ASSERT_TRUE(manifest.problem().empty()) << manifest.problem();
  EXPECT_EQ(manifest.size(), kLines + 6);
  for (int line = 0; line < kLines; ++line) {
    const auto record = manifest.Find(line % 2 ? "Inbox" : "Projects-2008", hexId(line));
    ASSERT_TRUE(record) << line;
    EXPECT_EQ(record->file, "Message " + std::to_string(line) + ".eml");
    EXPECT_EQ(record->bytes, line);
    EXPECT_FALSE(manifest.Find(line % 2 ? "Projects-2008" : "Inbox", hexId(line))) << line;
  }
  EXPECT_EQ(manifest.Find("Inbox", std::string(32, 'a'))->file, "lower.eml");
  EXPECT_EQ(manifest.Find("Inbox", std::string(32, 'A'))->file, "upper.eml");
  const auto first = manifest.Find("Inbox", "m1");
  ASSERT_TRUE(first);
  EXPECT_EQ(first->file, "short.eml");
  EXPECT_EQ(first->bytes, 30);
  EXPECT_FALSE(first->whole);
  EXPECT_EQ(manifest.Find("Inbox", "m1", 1)->file, "short second.eml");
  EXPECT_FALSE(manifest.Find("Inbox", "m1", 2));
  EXPECT_TRUE(manifest.KnowsFile("Inbox", "no id.eml"));
  EXPECT_TRUE(manifest.KnowsFile("Projects-2008", "Message 0.eml"));
  EXPECT_FALSE(manifest.KnowsFile("Inbox", "Message 0.eml"));

  // What a run finds on disk unrecorded is known from then on, after what the file recorded.
  manifest.AddEarlier("Inbox", "m1", Whole("found.eml"));
  EXPECT_EQ(manifest.Find("Inbox", "m1", 2)->file, "found.eml");
  manifest.AddEarlier("Sent Items", kId1, Whole("sent.eml"));
  EXPECT_EQ(manifest.Find("Sent Items", kId1)->file, "sent.eml");
  EXPECT_TRUE(manifest.KnowsFile("Sent Items", "sent.eml"));
}

}  // namespace
}  // namespace mailshift::mail
