// The export run delivering into a destination other than the .eml tree: each folder entered
// once with its tag, each message with its read and draft marks and categories, the manifest
// recording the destination's records so that a re-run asks the destination instead of the
// files, and a lost destination ending the run with what was left.
#include <gtest/gtest.h>

#include "export/ExportPlan.h"
#include "export/tests/RecordingExport.h"
#include "notes/testing/MemoryNotes.h"

namespace mailshift::mail {
namespace {

using notes::testing::MemoryDocument;
using notes::testing::MemoryNotesClient;

// Keeps what it is given, and says so.
class KeepingDestination : public MessageDestination {
 public:
  std::string Name() const override { return "keeping:"; }
  std::string Open() override {
    events.push_back("Open");
    return openProblem;
  }
  std::string EnterFolder(const DeliveryFolder& folder) override {
    events.push_back("Enter " + std::string(folder.standard ? "standard " : "") + folder.tag + " -> " +
                     folder.outputFolder);
    if (folder.tag == loseAtFolder) {
      lost = true;
      return "the connection was lost";
    }
    return {};
  }
  bool Lost() const override { return lost; }
  std::string Holds(const std::string& record, std::int64_t bytes) override {
    events.push_back("Holds " + record + " " + std::to_string(bytes));
    return record == gone ? "gone from the server" : "";
  }
  Delivery Deliver(const OutgoingMessage& message) override {
    const std::string marks = std::string(message.marks.read ? "read" : "unread") +
                              (message.marks.draft ? " draft" : "") +
                              (message.marks.keywords.empty() ? "" : " " + message.marks.keywords.front());
    events.push_back("Deliver " + message.universalId + " " + marks);
    Delivery delivery;
    if (++delivered == loseAt) {
      delivery.reason = "the connection was lost";
      delivery.destinationLost = true;
      return delivery;
    }
    delivery.delivered = true;
    delivery.record = "rec-" + message.universalId;
    delivery.bytes = 10;
    return delivery;
  }
  void Close() override { events.push_back("Close"); }

  std::vector<std::string> events;
  std::string openProblem;
  std::string gone;
  int delivered = 0;
  int loseAt = 0;
  std::string loseAtFolder;
  bool lost = false;
};

// A writer that delivers each message's id and marks straight to the destination.
class MarksWriter : public EmailItemWriter {
 public:
  explicit MarksWriter(MessageDestination& destination) : destination_(destination) {}
  WriteOutcome CreateEmailItem(const std::string&, const std::string&, const EmailItem& fields) override {
    const Delivery delivery =
        destination_.Deliver(OutgoingMessage{"x", std::nullopt, fields.marks, fields.origin.universalId, ""});
    WriteOutcome outcome;
    outcome.written = delivery.delivered;
    outcome.path = delivery.record;
    outcome.bytes = delivery.bytes;
    outcome.reason = delivery.reason;
    outcome.destinationLost = delivery.destinationLost;
    return outcome;
  }

 private:
  MessageDestination& destination_;
};

class ExportDestinationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto& db = client_.AddDatabase("/data/mail.nsf");
    for (const char* view : {"($Inbox)", "($Drafts)", "($Sent)", "($Trash)"}) db.AddView(view, true);
    db.AddView("Projects\\2008", true);
    const auto add = [&](std::size_t view, const std::string& id, const std::string& category = "") {
      MemoryDocument document;
      document.Text("Subject", {"s" + id}).Body("b");
      if (!category.empty()) document.Text("Categories", {category});
      document.universalId = id + std::string(32 - id.size(), '0');
      db.views[view].documents.push_back(db.AddDocument(std::move(document)));
    };
    add(0, "A1", "Budget");
    add(0, "A2");
    add(1, "B1");
    add(4, "C1");
    db.keepsReadMarks = true;
    db.unreadFor[""] = {1};           // A2 unread by the owner
    db.unreadFor["CN=Bo/O=X"] = {0};  // A1 unread by Bo
    plan_.databasePath = "/data/mail.nsf";
    plan_.title = "Mail";
    plan_.destination = scratch_.path();
    plan_.logPath = scratch_.path() + "/Log.txt";
    plan_.folders = {"Inbox", "Drafts", "Projects\\2008", "Folders"};
  }

  ExportReport Run() {
    MarksWriter writer(destination_);
    testing::RecordingObserver observer;
    return Export(plan_, ExportServices{client_, writer, &destination_}, observer);
  }

  testing::ScratchFolder scratch_;
  testing::ScratchTemporaryFolder temp_;
  MemoryNotesClient client_;
  ExportPlan plan_;
  KeepingDestination destination_;
};

TEST_F(ExportDestinationTest, DeliversWithMarksAndAReRunAsksTheDestination) {
  ExportReport report = Run();
  EXPECT_TRUE(report.Succeeded()) << report.failure;
  EXPECT_EQ(
      destination_.events,
      (std::vector<std::string>{
          "Open", "Enter Projects\\2008 -> Projects-2008", "Deliver C1000000000000000000000000000000 read",
          "Enter standard Inbox -> Inbox", "Deliver A1000000000000000000000000000000 read Budget",
          "Deliver A2000000000000000000000000000000 unread", "Enter standard Drafts -> Drafts",
          "Deliver B1000000000000000000000000000000 read draft", "Close"}));
  // No output folders beside the manifest: the destination keeps the messages.
  EXPECT_EQ(testing::TreeBelow(scratch_.path() + "/Mail"),
            std::vector<std::string>{"Mailshift-Manifest.txt"});

  // Again, for another reader, with one message gone from the destination.
  destination_.events.clear();
  destination_.gone = "rec-A2000000000000000000000000000000";
  plan_.readMarksFor = "CN=Bo/O=X";
  report = Run();
  EXPECT_EQ(report.skipped, 3);
  EXPECT_EQ(
      destination_.events,
      (std::vector<std::string>{
          "Open", "Enter Projects\\2008 -> Projects-2008", "Holds rec-C1000000000000000000000000000000 10",
          "Enter standard Inbox -> Inbox", "Holds rec-A1000000000000000000000000000000 10",
          "Holds rec-A2000000000000000000000000000000 10", "Deliver A2000000000000000000000000000000 read",
          "Enter standard Drafts -> Drafts", "Holds rec-B1000000000000000000000000000000 10", "Close"}));
  EXPECT_NE(testing::ReadFile(plan_.logPath)
                .find("Written again : Inbox/rec-A2000000000000000000000000000000 : gone "
                      "from the server"),
            std::string::npos);
}

TEST_F(ExportDestinationTest, ALostDestinationEndsTheRunAndUnreadableMarksCountAsRead) {
  client_.database("/data/mail.nsf").failUnread = true;
  destination_.loseAt = 2;
  const ExportReport report = Run();
  EXPECT_FALSE(report.Succeeded());
  EXPECT_EQ(report.failure, "the connection was lost");
  EXPECT_EQ(report.written(), 1);
  EXPECT_EQ(report.notWritten, 1);
  EXPECT_EQ(report.left, 2);  // A2 and B1 were not reached
  const std::string log = testing::ReadFile(plan_.logPath);
  EXPECT_NE(log.find("Read marks : the unread documents cannot be read: GetAllUnreadDocuments failed; every "
                     "message counts as read"),
            std::string::npos);
  EXPECT_NE(log.find("Ended : the connection was lost"), std::string::npos);
  EXPECT_EQ(destination_.events.back(), "Close");
  EXPECT_NE(EndText(plan_, report).find("The export was ended early: the connection was lost."),
            std::string::npos);

  // Lost while entering a folder: the run ends there, the rest left for the next run.
  client_.database("/data/mail.nsf").failUnread = false;
  destination_.loseAt = 0;
  destination_.loseAtFolder = "Inbox";
  const ExportReport lostAtFolder = Run();
  EXPECT_EQ(lostAtFolder.failure, "the connection was lost");
  EXPECT_EQ(lostAtFolder.notWritten, 0);
  EXPECT_EQ(lostAtFolder.foldersNotExported, 0);
  EXPECT_EQ(lostAtFolder.skipped, 1);  // C1, written by the run before
  EXPECT_EQ(lostAtFolder.left, 3);     // A1 and A2 in the Inbox, B1 in Drafts
  destination_.loseAtFolder.clear();
  destination_.lost = false;

  destination_.openProblem = "the server refused the login";
  const ExportReport refused = Run();
  EXPECT_EQ(refused.end, ExportEnd::DestinationError);
  EXPECT_EQ(refused.failure, "keeping:: the server refused the login");
}

}  // namespace
}  // namespace mailshift::mail
