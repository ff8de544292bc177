#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "common/DateText.h"
#include "common/Global.h"
#include "common/TextRules.h"
#include "export/MessageWriter.h"
#include "export/tests/RecordingEmailComponent.h"

namespace mailshift::mail {
namespace {

namespace fs = std::filesystem;
using testing::RecordingEmailComponent;

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream content;
  content << file.rdbuf();
  return content.str();
}

void WriteFile(const fs::path& path, const std::string& content) {
  std::ofstream file(path, std::ios::binary);
  file << content;
}

// Writes the message and leaves in subject and attachments what the outcome gives back of them,
// as the export keeps them.
WriteOutcome Create(MessageWriter& writer, const std::string& folder, const EmailItem& fields,
                    std::string& subject, std::string& attachments) {
  const WriteOutcome outcome = writer.CreateEmailItem(folder, fields);
  subject = outcome.cleanedSubject;
  attachments = outcome.attachments;
  return outcome;
}

// The first numbers RandomInRange(1, 40000) gives in a run.
std::vector<std::int32_t> FirstDraws(int count) {
  ResetRandomGenerator();
  std::vector<std::int32_t> draws;
  for (int i = 0; i < count; ++i) draws.push_back(RandomInRange(1, 40000));
  ResetRandomGenerator();
  return draws;
}

class MessageWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "writer-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    fs::create_directory(root_ / "Inbox");
    fs::create_directory(root_ / "extracted");
    writer_ = std::make_unique<MessageWriter>(component_, Root());
    ResetRandomGenerator();
  }
  void TearDown() override { fs::remove_all(root_); }

  std::string Root() const { return root_.string() + kPathSeparator; }
  fs::path Inbox() const { return root_ / "Inbox"; }

  // An extracted attachment file; returns its path.
  std::string Extracted(const std::string& relative, const std::string& content) {
    const fs::path path = root_ / "extracted" / relative;
    fs::create_directories(path.parent_path());
    WriteFile(path, content);
    return path.string();
  }

  // A message date, as the field extraction always gives one.
  static std::string SomeDate() { return DateText(DateTime{1226000000, 0}); }

  // Writes a message whose attachment files are the ones the text lists, as the export hands
  // them over.
  WriteOutcome Write(std::string& subject, std::string& attachments, const std::string& date = SomeDate(),
                     const std::string& folder = "Inbox") {
    return WriteFiles(subject, attachments, ListedFiles(attachments), date, folder);
  }
  WriteOutcome WriteFiles(std::string& subject, std::string& attachments,
                          const std::vector<std::string>& files, const std::string& date = SomeDate(),
                          const std::string& folder = "Inbox") {
    return Create(*writer_, folder,
                  {"from@example.com",
                   subject,
                   "to@example.com",
                   "cc@example.com",
                   "",
                   date,
                   "body",
                   attachments,
                   {files, {}}},
                  subject, attachments);
  }
  static std::vector<std::string> ListedFiles(const std::string& attachments) {
    if (attachments.size() <= 1) return {};
    return Split(attachments.substr(1), '|');
  }

  WriteOutcome WriteSubject(std::string subject) {
    std::string attachments;
    return Write(subject, attachments);
  }

  std::vector<std::string> InboxNames() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(Inbox()))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  const testing::RecordedMessage& LastMessage() const { return *component_.messages.back(); }

  fs::path root_;
  RecordingEmailComponent component_;
  std::unique_ptr<MessageWriter> writer_;
};

TEST_F(MessageWriterTest, KeepsTheSubjectInTheMessageAndWritesTheCleanedOneIntoTheFileName) {
  const std::int32_t n = FirstDraws(1)[0];
  std::string subject = "Re: Q1/Q2 report?";
  std::string attachments;
  const WriteOutcome outcome = Write(subject, attachments);

  EXPECT_EQ(subject, "Re Q1Q2 report");
  ASSERT_TRUE(outcome.written) << outcome.reason;
  EXPECT_EQ(outcome.path, Root() + "Inbox" + kPathSeparator + "Re Q1Q2 report" + std::to_string(n) + ".eml");
  EXPECT_EQ(ReadFile(outcome.path), component_.renderedText + "\r\n");
  EXPECT_EQ(LastMessage().calls[1], "Subject Re: Q1/Q2 report?");
  EXPECT_TRUE(outcome.problems.empty());
}

TEST_F(MessageWriterTest, CallsTheComponentInTheDocumentedOrderWithWholeRecipientTexts) {
  std::string subject = "S";
  std::string attachments = "|" + Extracted("a.doc", "A");
  const std::string attachment = attachments.substr(1);
  writer_->CreateEmailItem("Inbox", {"Ann Lee/Org",
                                     subject,
                                     "ann@example.com;Bob Ray/Org",
                                     "",
                                     "x@example.com",
                                     SomeDate(),
                                     "the body",
                                     attachments,
                                     {{attachment}, {}}});
  EXPECT_EQ(LastMessage().calls,
            (std::vector<std::string>{"To ann@example.com;Bob Ray/Org", "Subject S", "Body the body",
                                      "From Ann Lee/Org", "Cc ", "Bcc x@example.com", "Date",
                                      "Attach " + attachment}));
}

TEST_F(MessageWriterTest, RemovesExactlyTheNineCharactersAndNothingElse) {
  std::string subject = " a:b?c\\d/e*f\"g<h>i|j \tk ";
  std::string attachments;
  const WriteOutcome outcome = Write(subject, attachments);
  EXPECT_EQ(subject, " abcdefghij \tk ");
  ASSERT_TRUE(outcome.written) << outcome.reason;
  // The file name also loses the tab, which names must not hold; the spaces stay.
  EXPECT_EQ(fs::path(outcome.path).filename().string(),
            " abcdefghij k " + std::to_string(FirstDraws(1)[0]) + ".eml");
}

TEST_F(MessageWriterTest, AnEmptySubjectOrOneOfRemovedCharactersGivesTheNumberAlone) {
  const auto draws = FirstDraws(2);
  std::string empty;
  std::string removed = ":?\\/*\"<>|";
  std::string attachments;
  EXPECT_EQ(fs::path(Write(empty, attachments).path).filename(), std::to_string(draws[0]) + ".eml");
  EXPECT_EQ(fs::path(Write(removed, attachments).path).filename(), std::to_string(draws[1]) + ".eml");
  EXPECT_EQ(removed, "");
  EXPECT_EQ(InboxNames().size(), 2u);
}

TEST_F(MessageWriterTest, NeverOverwritesAFileThatHasTheDrawnName) {
  const auto draws = FirstDraws(2);
  const fs::path taken = Inbox() / ("Hello" + std::to_string(draws[0]) + ".eml");
  WriteFile(taken, "an earlier message");

  const WriteOutcome outcome = WriteSubject("Hello");
  ASSERT_TRUE(outcome.written) << outcome.reason;
  EXPECT_EQ(fs::path(outcome.path).filename(), "Hello" + std::to_string(draws[1]) + ".eml");
  EXPECT_EQ(ReadFile(taken), "an earlier message");
}

TEST_F(MessageWriterTest, UsesASuffixWhenTheDrawnNumbersKeepClashing) {
  MessageWriter writer(component_, Root(), [] { return 7; });
  WriteFile(Inbox() / "Same7.eml", "kept");
  std::vector<std::string> names;
  for (int i = 0; i < 3; ++i) {
    const WriteOutcome outcome =
        writer.CreateEmailItem("Inbox", {"f", "Same", "t", "", "", "", "body " + std::to_string(i), "", {}});
    ASSERT_TRUE(outcome.written) << outcome.reason;
    names.push_back(fs::path(outcome.path).filename().string());
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Same7-2.eml", "Same7-3.eml", "Same7-4.eml"}));
  EXPECT_EQ(ReadFile(Inbox() / "Same7.eml"), "kept");
}

TEST_F(MessageWriterTest, ShortensAnOverlongSubjectAtACharacterBoundary) {
  std::string subject;
  for (int i = 0; i < 300; ++i) subject += "\xC3\xA4";  // 600 bytes of "ä"
  const std::string cleaned = subject;
  const WriteOutcome outcome = WriteSubject(subject);
  ASSERT_TRUE(outcome.written) << outcome.reason;
  const std::string name = fs::path(outcome.path).filename().string();
  EXPECT_LE(name.size(), 255u);
  const std::string tail = std::to_string(FirstDraws(1)[0]) + ".eml";
  ASSERT_TRUE(name.ends_with(tail));
  const std::string stem = name.substr(0, name.size() - tail.size());
  EXPECT_EQ(stem.size() % 2, 0u) << "a character was cut in half";
  EXPECT_TRUE(cleaned.starts_with(stem));
  EXPECT_GE(stem.size(), 240u);
}

TEST_F(MessageWriterTest, WritesHostileSubjectsIntoTheFolderUnderAUsableName) {
  for (const std::string& hostile : {std::string("../../etc/passwd"), std::string(".."), std::string("."),
                                     std::string("\x1b[31mred\r\nline\x7f"), std::string(1, '\0') + "nul"}) {
    const WriteOutcome outcome = WriteSubject(hostile);
    ASSERT_TRUE(outcome.written) << outcome.reason;
    EXPECT_EQ(fs::path(outcome.path).parent_path(), Inbox());
  }
  const auto names = InboxNames();
  ASSERT_EQ(names.size(), 5u);
  for (const std::string& name : names) {
    EXPECT_TRUE(std::none_of(name.begin(), name.end(), [](char c) {
      return (c >= 0 && c < 0x20) || c == 0x7F;
    })) << name;
  }
  EXPECT_FALSE(fs::exists(root_.parent_path() / "etc"));
}

TEST_F(MessageWriterTest, ShortensTheNameWhenThePathIsTooLongForTheSystem) {
  // A folder close to the path limit: the full name no longer fits the path, a shorter one does.
  fs::path deep = Inbox();
  std::string folder = "Inbox";
  while (deep.string().size() < 3900) {
    deep /= std::string(200, 'd');
    folder += kPathSeparator + std::string(200, 'd');
  }
  fs::create_directories(deep);
  std::string subject(250, 's');
  std::string attachments;
  const WriteOutcome outcome = Write(subject, attachments, "", folder);
  ASSERT_TRUE(outcome.written) << outcome.reason;
  EXPECT_EQ(fs::path(outcome.path).parent_path(), deep);
  EXPECT_LT(fs::path(outcome.path).filename().string().size(), 250u);
}

TEST_F(MessageWriterTest, ReportsAMissingFolderAndGoesOnWithTheNextMessage) {
  std::string subject = "Lost?";
  std::string attachments = "|" + Extracted("a.doc", "A");
  const WriteOutcome failed = Write(subject, attachments, "", "Missing");
  EXPECT_FALSE(failed.written);
  EXPECT_NE(failed.reason.find("No such file"), std::string::npos) << failed.reason;
  EXPECT_EQ(subject, "Lost");
  EXPECT_FALSE(fs::exists(attachments));

  EXPECT_TRUE(WriteSubject("Next").written);
}

TEST_F(MessageWriterTest, LeavesNoPartialFileWhenRenderingFails) {
  component_.failRendering = true;
  const WriteOutcome outcome = WriteSubject("Broken");
  EXPECT_FALSE(outcome.written);
  EXPECT_NE(outcome.reason.find("rendering failed"), std::string::npos) << outcome.reason;
  EXPECT_TRUE(InboxNames().empty());

  component_.failRendering = false;
  EXPECT_TRUE(WriteSubject("Broken").written);
}

// The file half of the writer on its own: whatever the content writes before it fails never
// stays in the folder, and a whole content takes its name and the message's time.
TEST_F(MessageWriterTest, TheFileWriterKeepsOnlyWholeContentUnderItsName) {
  for (const auto passing :
       {MessageFileWriter::PassingFiles::UnnamedWherePossible, MessageFileWriter::PassingFiles::Named}) {
    MessageFileWriter files([] { return 7; }, passing);
    const std::string folder = Root() + "Inbox" + kPathSeparator;
    WriteOutcome failed;
    files.Write(
        folder,
        [](std::FILE* file) {
          std::fputs("half a message", file);
          throw EmailError("the content broke off");
        },
        std::nullopt, "Note", 7, failed);
    EXPECT_FALSE(failed.written);
    EXPECT_EQ(failed.reason, "the content broke off");
    EXPECT_TRUE(InboxNames().empty());

    WriteOutcome written;
    files.Write(
        folder, [](std::FILE* file) { std::fputs("whole", file); }, 1226000000, "Note", 7, written);
    ASSERT_TRUE(written.written) << written.reason;
    EXPECT_EQ(written.path, folder + "Note7.eml");
    EXPECT_EQ(ReadFile(written.path), "whole");
    const auto time = std::chrono::file_clock::to_sys(fs::last_write_time(written.path));
    EXPECT_EQ(std::chrono::duration_cast<std::chrono::seconds>(time.time_since_epoch()).count(), 1226000000);
    fs::remove(written.path);
  }
}

TEST_F(MessageWriterTest, WithoutAMessageObjectStillCleansTheSubjectAndDeletesTheAttachments) {
  component_.failCreation = true;
  std::string subject = "A/B";
  std::string attachments = "|" + Extracted("a.doc", "A");
  const WriteOutcome outcome = Write(subject, attachments);
  EXPECT_FALSE(outcome.written);
  EXPECT_FALSE(outcome.reason.empty());
  EXPECT_EQ(subject, "AB");
  EXPECT_FALSE(fs::exists(attachments));
  EXPECT_TRUE(InboxNames().empty());
}

TEST_F(MessageWriterTest, AMessageNeverCarriesItsNameBeforeItIsWhole) {
  // Without a name while it is written where the file system allows (nothing is left of it when
  // the run is killed), else under a passing name; both ways are the writer's, on every system.
  for (const auto passing :
       {MessageWriter::PassingFiles::UnnamedWherePossible, MessageWriter::PassingFiles::Named}) {
    fs::remove_all(Inbox());
    fs::create_directory(Inbox());
    writer_ = std::make_unique<MessageWriter>(component_, Root(), MessageWriter::DrawFileNumber, passing);
    std::vector<std::string> namesWhileRendering;
    component_.duringRender = [&] { namesWhileRendering = InboxNames(); };
    const WriteOutcome outcome = WriteSubject("Whole");
    ASSERT_TRUE(outcome.written) << outcome.reason;
    if (passing == MessageWriter::PassingFiles::Named) {
      ASSERT_EQ(namesWhileRendering.size(), 1u);
      EXPECT_TRUE(PassingFileProcess(namesWhileRendering[0]).has_value()) << namesWhileRendering[0];
    } else {
      EXPECT_TRUE(namesWhileRendering.empty()) << namesWhileRendering[0];
    }
    EXPECT_EQ(InboxNames(), (std::vector<std::string>{fs::path(outcome.path).filename().string()}));
    EXPECT_EQ(ReadFile(outcome.path), component_.renderedText + "\r\n");

    // A file that takes the name while the message is written keeps it.
    MessageWriter racing(
        component_, Root(), [] { return 5; }, passing);
    component_.duringRender = [&] { WriteFile(Inbox() / "Race5.eml", "came first"); };
    const WriteOutcome raced = racing.CreateEmailItem("Inbox", {"f", "Race", "t", "", "", "", "b", "", {}});
    ASSERT_TRUE(raced.written) << raced.reason;
    EXPECT_EQ(fs::path(raced.path).filename(), "Race5-2.eml");
    EXPECT_EQ(ReadFile(Inbox() / "Race5.eml"), "came first");
    component_.duringRender = nullptr;
  }
}

TEST_F(MessageWriterTest, AFileThatTakesTheNameWhileRenderingIsNeverReplaced) {
  MessageWriter writer(component_, Root(), [] { return 5; });
  component_.duringRender = [&] {
    component_.duringRender = nullptr;
    WriteFile(Inbox() / "Race5.eml", "came first");
  };
  const WriteOutcome outcome = writer.CreateEmailItem("Inbox", {"f", "Race", "t", "", "", "", "b", "", {}});
  ASSERT_TRUE(outcome.written) << outcome.reason;
  EXPECT_EQ(fs::path(outcome.path).filename(), "Race5-2.eml");
  EXPECT_EQ(ReadFile(Inbox() / "Race5.eml"), "came first");
}

TEST_F(MessageWriterTest, ALinkInTheWayOfTheFileIsNeitherFollowedNorReplaced) {
  MessageWriter writer(component_, Root(), [] { return 9; });
  const std::string outside = Extracted("outside.txt", "the user's file");
  fs::create_symlink(outside, Inbox() / "Linked9.eml");
  const WriteOutcome outcome = writer.CreateEmailItem("Inbox", {"f", "Linked", "t", "", "", "", "b", "", {}});
  ASSERT_TRUE(outcome.written) << outcome.reason;
  EXPECT_EQ(fs::path(outcome.path).filename(), "Linked9-2.eml");
  EXPECT_EQ(ReadFile(outside), "the user's file");
  EXPECT_TRUE(fs::is_symlink(Inbox() / "Linked9.eml"));
}

TEST_F(MessageWriterTest, AFolderRemovedAndMadeAgainDuringTheRunGetsTheNextMessages) {
  // Enough messages for the folder's files to be made ahead, before it is removed and made again
  // at once: the next message goes to the new folder, not to the files made in the old one.
  for (int i = 0; i < 40; ++i) ASSERT_TRUE(WriteSubject("First").written);
  fs::remove_all(Inbox());
  fs::create_directory(Inbox());
  const WriteOutcome again = WriteSubject("Again");
  ASSERT_TRUE(again.written) << again.reason;
  EXPECT_EQ(InboxNames().size(), 1u);

  fs::remove_all(Inbox());
  // While the folder is gone a message cannot be written, and says so.
  const WriteOutcome lost = WriteSubject("Lost");
  EXPECT_FALSE(lost.written);
  EXPECT_NE(lost.reason.find("No such file"), std::string::npos) << lost.reason;

  fs::create_directory(Inbox());
  const WriteOutcome next = WriteSubject("Next");
  ASSERT_TRUE(next.written) << next.reason;
  EXPECT_EQ(fs::path(next.path).parent_path(), Inbox());
  EXPECT_EQ(InboxNames().size(), 1u);
  EXPECT_TRUE(fs::exists(next.path));
}

TEST_F(MessageWriterTest, AFolderSwappedForALinkAfterItsFirstMessageIsNotFollowed) {
  ASSERT_TRUE(WriteSubject("First").written);
  const fs::path moved = Inbox().string() + "-moved";
  const fs::path elsewhere = Inbox().string() + "-elsewhere";
  fs::rename(Inbox(), moved);
  fs::create_directory(elsewhere);
  fs::create_directory_symlink(elsewhere, Inbox());

  const WriteOutcome second = WriteSubject("Second");
  ASSERT_TRUE(second.written) << second.reason;
  EXPECT_TRUE(fs::is_empty(elsewhere));
  EXPECT_EQ(std::distance(fs::directory_iterator(moved), fs::directory_iterator()), 2);
}

// The output root is held open by the run: swapped for a link meanwhile, the messages of folders
// not yet opened still go below the root that was held, never through the link.
TEST_F(MessageWriterTest, TheOutputRootSwappedForALinkDuringTheRunIsNotFollowed) {
  HeldRoot held;
  ASSERT_EQ(held.Hold(Root()), 0);
  ASSERT_TRUE(WriteSubject("First").written);
  const fs::path moved = root_.string() + "-moved";
  const fs::path elsewhere = root_.string() + "-elsewhere";
  fs::rename(root_, moved);
  fs::create_directories(elsewhere / "Sent");
  fs::create_directory_symlink(elsewhere, root_);

  EXPECT_EQ(MakeFolderNoFollow(Root() + "Sent"), "");
  std::string subject = "Second";
  std::string attachments;
  const WriteOutcome second = Write(subject, attachments, "", "Sent");
  EXPECT_TRUE(second.written) << second.reason;
  EXPECT_TRUE(fs::is_empty(elsewhere / "Sent"));
  EXPECT_EQ(std::distance(fs::directory_iterator(moved / "Sent"), fs::directory_iterator()), 1);
  fs::remove(root_);
  fs::rename(moved, root_);
  fs::remove_all(elsewhere);
}

class WriterAttachments : public MessageWriterTest {};

TEST_F(WriterAttachments, AttachesTheFilesHandedOverAndNeverPiecesOfTheListText) {
  // A temporary folder whose path holds the separator: the list text splits it in two, and the
  // piece before it names a file of the user's.
  const std::string victim = Extracted("notes", "the user's notes");
  const std::string extracted = Extracted("notes|cache/1/a.doc", "A");
  std::string subject = "S";
  std::string attachments = "|" + extracted;
  const WriteOutcome outcome = WriteFiles(subject, attachments, {extracted});
  ASSERT_TRUE(outcome.written) << outcome.reason;
  EXPECT_TRUE(outcome.problems.empty());
  EXPECT_EQ(LastMessage().attachmentPaths, (std::vector<std::string>{extracted}));
  EXPECT_EQ(LastMessage().attachmentContents, (std::vector<std::string>{"A"}));
  EXPECT_EQ(ReadFile(victim), "the user's notes");
  EXPECT_FALSE(fs::exists(extracted));
  EXPECT_EQ(attachments, extracted);
}

TEST_F(WriterAttachments, AnEmptyTextAttachesNothingAndStaysEmpty) {
  const std::string bystander = Extracted("b.doc", "B");
  std::string subject = "S";
  std::string attachments;
  EXPECT_TRUE(Write(subject, attachments).written);
  EXPECT_EQ(attachments, "");
  EXPECT_TRUE(LastMessage().attachmentPaths.empty());
  EXPECT_TRUE(fs::exists(bystander));
}

TEST_F(WriterAttachments, AttachesInOrderAndDeletesEachFileRightAfterIt) {
  const std::string p1 = Extracted("a.doc", "first");
  const std::string p2 = Extracted("b.pdf", "second");
  std::string subject = "S";
  std::string attachments = "|" + p1 + "|" + p2;
  const WriteOutcome outcome = Write(subject, attachments);
  EXPECT_TRUE(outcome.written);
  EXPECT_EQ(attachments, p1 + "|" + p2);
  EXPECT_EQ(LastMessage().attachmentPaths, (std::vector<std::string>{p1, p2}));
  EXPECT_EQ(LastMessage().attachmentContents, (std::vector<std::string>{"first", "second"}));
  EXPECT_EQ(LastMessage().earlierFilesPresent, (std::vector<bool>{false, false}));
  EXPECT_FALSE(fs::exists(p1));
  EXPECT_FALSE(fs::exists(p2));
}

TEST_F(WriterAttachments, AMissingPathFailsAloneAndIsReported) {
  const std::string p1 = Extracted("a.doc", "first");
  const std::string p2 = Extracted("b.pdf", "second");
  const std::string missing = (root_ / "extracted" / "gone.txt").string();
  std::string subject = "S";
  std::string attachments = "|" + p1 + "|" + missing + "|" + p2;
  const WriteOutcome outcome = Write(subject, attachments);
  EXPECT_TRUE(outcome.written);
  EXPECT_EQ(LastMessage().attachmentPaths, (std::vector<std::string>{p1, p2}));
  ASSERT_EQ(outcome.problems.size(), 1u);
  EXPECT_NE(outcome.problems[0].find("gone.txt"), std::string::npos);
  EXPECT_FALSE(fs::exists(p2));
}

TEST_F(WriterAttachments, TheSeparatorAloneGivesNoEntry) {
  std::string subject = "S";
  std::string attachments = "|";
  const WriteOutcome outcome = Write(subject, attachments);
  EXPECT_EQ(attachments, "");
  EXPECT_TRUE(LastMessage().attachmentPaths.empty());
  EXPECT_TRUE(outcome.problems.empty());
}

TEST_F(WriterAttachments, AnEmptyPathIsAnEntryThatCannotBeAdded) {
  const std::string p1 = Extracted("a.doc", "first");
  std::string subject = "S";
  std::string attachments = "||" + p1;
  const WriteOutcome outcome = Write(subject, attachments);
  EXPECT_EQ(attachments, "|" + p1);
  EXPECT_EQ(LastMessage().attachmentPaths, (std::vector<std::string>{p1}));
  EXPECT_EQ(outcome.problems.size(), 1u);
  EXPECT_TRUE(outcome.written);
}

TEST_F(WriterAttachments, TwoFilesOfTheSameNameFromDifferentFoldersBothArrive) {
  const std::string p1 = Extracted("one/report.pdf", "from one");
  const std::string p2 = Extracted("two/report.pdf", "from two");
  std::string subject = "S";
  std::string attachments = "|" + p1 + "|" + p2;
  Write(subject, attachments);
  EXPECT_EQ(LastMessage().attachmentContents, (std::vector<std::string>{"from one", "from two"}));
  EXPECT_FALSE(fs::exists(p1));
  EXPECT_FALSE(fs::exists(p2));
}

TEST_F(WriterAttachments, AFolderInTheListIsNotDeleted) {
  const fs::path folder = root_ / "extracted" / "folder";
  fs::create_directories(folder);
  std::string subject = "S";
  std::string attachments = "|" + folder.string();
  Write(subject, attachments);
  EXPECT_TRUE(fs::is_directory(folder));
}

class WriterDates : public MessageWriterTest {};

TEST_F(WriterDates, AnEmptyDateIsNeverTheDayOfTheExportAndIsReported) {
  std::string subject = "S";
  std::string attachments;
  const WriteOutcome outcome = Write(subject, attachments, "");
  EXPECT_TRUE(outcome.written);
  EXPECT_FALSE(LastMessage().date.has_value());
  // A final fallback: logged, but no later run could date the message better.
  EXPECT_TRUE(outcome.problems.empty());
  ASSERT_EQ(outcome.fallbacks.size(), 1u);
  EXPECT_NE(outcome.fallbacks[0].find("no date"), std::string::npos);
}

TEST_F(WriterDates, TheFileTimeIsTheMessageDateAndTheIdReachesTheMessage) {
  const std::string date = DateText(DateTime{1226000000, 0});  // 6 November 2008
  const WriteOutcome outcome = writer_->CreateEmailItem(
      "Inbox", {"f", "Dated", "t", "", "", date, "b", "", {{}, "0123456789ABCDEF0123456789ABCDEF"}});
  ASSERT_TRUE(outcome.written) << outcome.reason;
  const auto written = std::chrono::file_clock::to_sys(fs::last_write_time(outcome.path));
  EXPECT_EQ(std::chrono::duration_cast<std::chrono::seconds>(written.time_since_epoch()).count(), 1226000000);
  EXPECT_NE(std::find(LastMessage().calls.begin(), LastMessage().calls.end(),
                      "UNID 0123456789ABCDEF0123456789ABCDEF"),
            LastMessage().calls.end());
}

// Run by CTest in several zones, one with summer time: a date the document holds reaches the
// message and the file time as it is, its offset and the repeated hour of autumn included.
TEST_F(WriterDates, ADateHeldAsADateKeepsItsInstantAndOffsetInEveryZone) {
  const DateTime dates[] = {
      {1730615400, -300},  // 2024-11-03 01:30 EST, the second 01:30 of that night in New York
      {1730611800, -240},  // 2024-11-03 01:30 EDT, the first
      {1700000000, 540},   // +09:00
      {1225885586, -240},  // 05:46:26 -04:00
      {1225895400, 330},   // +05:30
      {1225895400, 0},
  };
  for (const DateTime& date : dates) {
    EmailItem item{"f", "Dated", "t", "", "", DateText(date), "b", "", {}};
    item.when = date;
    const WriteOutcome outcome = writer_->CreateEmailItem("Inbox", item);
    ASSERT_TRUE(outcome.written) << outcome.reason;
    EXPECT_TRUE(outcome.problems.empty());
    ASSERT_TRUE(LastMessage().date.has_value());
    EXPECT_EQ(*LastMessage().date, date) << date.secondsSinceEpoch << " " << date.utcOffsetMinutes;
    const auto written = std::chrono::file_clock::to_sys(fs::last_write_time(outcome.path));
    EXPECT_EQ(std::chrono::duration_cast<std::chrono::seconds>(written.time_since_epoch()).count(),
              date.secondsSinceEpoch);
  }
}

TEST_F(WriterDates, AnUnreadableDateIsNotSetAndIsReported) {
  std::string subject = "S";
  std::string attachments;
  const WriteOutcome outcome = Write(subject, attachments, "the day after tomorrow");
  EXPECT_TRUE(outcome.written);
  EXPECT_FALSE(LastMessage().date.has_value());
  EXPECT_TRUE(outcome.problems.empty());
  ASSERT_EQ(outcome.fallbacks.size(), 1u);
  EXPECT_NE(outcome.fallbacks[0].find("the day after tomorrow"), std::string::npos);
}

// Run by CTest under several locales (MAILSHIFT_TEST_LOCALE names the one set in LC_ALL): the
// date text the field extraction writes is read back to the same instant.
TEST_F(WriterDates, ReadsTheRegionalDateTextBackToTheSecond) {
  if (const char* expected = std::getenv("MAILSHIFT_TEST_LOCALE")) {
    const auto form = RegionalDateForm::ForLocale(expected);
    ASSERT_TRUE(form.has_value()) << expected << " is not installed";
    ASSERT_EQ(RegionalDateForm::System().datePattern(), form->datePattern()) << "the locale was not taken up";
    ASSERT_EQ(RegionalDateForm::System().timePattern(), form->timePattern());
  }
  for (std::int64_t when : {std::int64_t{1225895400}, std::int64_t{1233360000}, std::int64_t{1277985600},
                            std::int64_t{946684799}, std::int64_t{4102444800}}) {
    std::string subject = "S";
    std::string attachments;
    const std::string text = DateText({when, 0});
    const WriteOutcome outcome = Write(subject, attachments, text);
    EXPECT_TRUE(outcome.problems.empty()) << text;
    ASSERT_TRUE(LastMessage().date.has_value()) << text;
    EXPECT_EQ(LastMessage().date->secondsSinceEpoch, when) << text;
  }
}

// The literal text of each locale for 5 November 2008 14:30:00 local time: day first or month
// first as the locale has it.
TEST_F(WriterDates, ReadsTheDayFirstAndMonthFirstFormsOfTheLocale) {
  const std::map<std::string, std::string> texts = {{"C", "11/05/2008 14:30:00"},
                                                    {"en_US.UTF-8", "11/05/2008 02:30:00 PM"},
                                                    {"de_DE.UTF-8", "05.11.2008 14:30:00"},
                                                    {"en_GB.UTF-8", "05/11/2008 14:30:00"}};
  std::string text;
  for (const auto& [locale, localText] : texts) {
    const auto form = RegionalDateForm::ForLocale(locale);
    ASSERT_TRUE(form.has_value()) << locale << " is not installed";
    if (form->datePattern() == RegionalDateForm::System().datePattern() &&
        form->timePattern() == RegionalDateForm::System().timePattern()) {
      text = localText;
    }
  }
  if (text.empty()) GTEST_SKIP() << "the regional settings are none of the four known here";
  std::tm local{};
  local.tm_year = 2008 - 1900;
  local.tm_mon = 10;
  local.tm_mday = 5;
  local.tm_hour = 14;
  local.tm_min = 30;
  local.tm_isdst = -1;
  const std::int64_t expected = std::mktime(&local);

  std::string subject = "S";
  std::string attachments;
  Write(subject, attachments, text);
  ASSERT_TRUE(LastMessage().date.has_value()) << text;
  EXPECT_EQ(LastMessage().date->secondsSinceEpoch, expected) << text;
}

}  // namespace
}  // namespace mailshift::mail
