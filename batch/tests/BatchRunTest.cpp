// The batch's run over stand-in processes: workers at most, each end becomes its row, a hang is
// ended at its time limit, and a second run starts only what the first did not finish.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "batch/BatchProgressText.h"
#include "batch/BatchReport.h"
#include "batch/BatchRun.h"
#include "batch/ExportSummary.h"

namespace mailshift::batch {
namespace {

namespace fs = std::filesystem;

// What a stand-in export does, by its database's name.
enum class Behaviour { Done, Errors, Crash, Hang, Refuse, NotStarted };

Behaviour BehaviourOf(const std::string& database) {
  if (database.find("errors") != std::string::npos) return Behaviour::Errors;
  if (database.find("crash") != std::string::npos) return Behaviour::Crash;
  if (database.find("hang") != std::string::npos) return Behaviour::Hang;
  if (database.find("refuse") != std::string::npos) return Behaviour::Refuse;
  if (database.find("nostart") != std::string::npos) return Behaviour::NotStarted;
  return Behaviour::Done;
}

class FakeChild : public ChildProcess {
 public:
  FakeChild(std::optional<ProcessEnd> end, int& running) : end_(std::move(end)), running_(running) {
    ++running_;
  }
  ~FakeChild() override {
    if (!ended_) --running_;
  }
  std::optional<ProcessEnd> Poll() override {
    if (ended_) return result_;
    if (++polls_ < 3 || !end_) return std::nullopt;
    return Finish(*end_);
  }
  void AskToStop() override {}
  void Kill() override {
    if (!ended_) end_ = ProcessEnd{137, true, "signal 9 (Killed)"};
  }

 private:
  std::optional<ProcessEnd> Finish(const ProcessEnd& end) {
    ended_ = true;
    --running_;
    result_ = end;
    return result_;
  }
  std::optional<ProcessEnd> end_;
  int& running_;
  int polls_ = 0;
  bool ended_ = false;
  ProcessEnd result_;
};

class FakeProcesses : public ChildProcesses {
 public:
  std::unique_ptr<ChildProcess> Start(const std::vector<std::string>& arguments,
                                      const std::string& outputPath, std::string& problem) override {
    const std::string& database = arguments.at(2);
    started.push_back(database);
    std::ofstream output(outputPath, std::ios::binary);
    std::string summaryPath;
    for (std::size_t index = 0; index + 1 < arguments.size(); ++index) {
      if (arguments[index] == "--summary") summaryPath = arguments[index + 1];
    }
    ExportSummary summary;
    summary.end = "completed";
    summary.folders = 4;
    summary.written = 10;
    summary.alreadyThere = 2;
    summary.messages = 10;
    summary.encrypted = 1;
    std::optional<ProcessEnd> end = ProcessEnd{0, false, "exit code 0"};
    switch (BehaviourOf(database)) {
      case Behaviour::Done:
        summary.succeeded = true;
        break;
      case Behaviour::Errors:
        summary.notWritten = 3;
        summary.written = 7;
        end = ProcessEnd{1, false, "exit code 1"};
        break;
      case Behaviour::Crash:
        output << "Inbox: 3 of 10 messages\rInbox: 4 of 10 messages";
        end = ProcessEnd{139, true, "signal 11 (Segmentation fault)"};
        summaryPath.clear();
        break;
      case Behaviour::Hang:
        end.reset();
        summaryPath.clear();
        break;
      case Behaviour::Refuse:
        output << "not a mail store\n";
        end = ProcessEnd{1, false, "exit code 1"};
        summaryPath.clear();
        break;
      case Behaviour::NotStarted:
        problem = "no such program";
        return nullptr;
    }
    if (!summaryPath.empty()) std::ofstream(summaryPath, std::ios::binary) << SummaryJson(summary);
    auto child = std::make_unique<FakeChild>(end, running);
    mostRunning = std::max(mostRunning, running);
    return child;
  }

  std::vector<std::string> started;
  int running = 0;
  int mostRunning = 0;
};

class StopAfter : public BatchObserver {
 public:
  void Progressed(const BatchProgress& progress) override { last = progress; }
  BatchProgress last;
};

class BatchRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("batch-run-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    options_.program = "/bin/mailshift-cli";
    options_.reportFolder = folder_.string();
    options_.workers = 3;
    options_.timeoutSeconds = 0.5;
  }
  void TearDown() override { fs::remove_all(folder_); }

  static std::vector<Mailbox> Mailboxes(const std::vector<std::string>& names) {
    std::vector<Mailbox> mailboxes;
    for (const std::string& name : names) {
      Mailbox mailbox;
      mailbox.line = mailboxes.size() + 2;
      mailbox.database = "/mail/" + name + ".nsf";
      mailbox.destination = "/out/" + name;
      mailbox.owner = name;
      mailboxes.push_back(mailbox);
    }
    return mailboxes;
  }

  fs::path folder_;
  BatchOptions options_;
};

TEST_F(BatchRunTest, EachEndBecomesItsRowWithNoMoreWorkersThanAsked) {
  const auto mailboxes = Mailboxes({"a", "b", "errors", "crash", "hang", "refuse", "nostart", "c", "d"});
  FakeProcesses processes;
  StopAfter observer;
  const BatchOutcome outcome = RunBatch(mailboxes, options_, processes, observer);
  EXPECT_EQ(outcome.reportProblem, "");
  EXPECT_EQ(processes.mostRunning, 3);
  EXPECT_EQ(processes.running, 0);
  ASSERT_EQ(outcome.rows.size(), mailboxes.size());
  const std::map<std::string, std::pair<MailboxStatus, std::string>> expected{
      {"a", {MailboxStatus::Done, ""}},
      {"b", {MailboxStatus::Done, ""}},
      {"c", {MailboxStatus::Done, ""}},
      {"d", {MailboxStatus::Done, ""}},
      {"errors", {MailboxStatus::DoneWithErrors, "3 messages not written"}},
      {"crash",
       {MailboxStatus::Failed,
        "the export crashed (signal 11 (Segmentation fault)): Inbox: 4 of 10 messages"}},
      {"hang", {MailboxStatus::Failed, "no end within 0.5 seconds: its export was ended"}},
      {"refuse", {MailboxStatus::Failed, "not a mail store"}},
      {"nostart", {MailboxStatus::Failed, "the export could not be started: no such program"}},
  };
  for (const MailboxResult& row : outcome.rows) {
    SCOPED_TRACE(row.owner);
    EXPECT_EQ(row.status, expected.at(row.owner).first);
    EXPECT_EQ(row.firstError, expected.at(row.owner).second);
    if (row.status == MailboxStatus::Done) {
      EXPECT_EQ(row.written, 12);  // this run's and the earlier run's
      EXPECT_EQ(row.folders, 4);
      EXPECT_EQ(row.encrypted, 1);
    }
  }
  EXPECT_EQ(observer.last.finished, mailboxes.size());
  EXPECT_EQ(observer.last.messages, 50);
  const ReportRead report = ReadReportFile(folder_.string());
  ASSERT_EQ(report.rows.size(), mailboxes.size());
  EXPECT_EQ(report.rows[4].status, MailboxStatus::Failed);

  // Run again: only what did not end done starts again; with --retry-failed, only the failures.
  FakeProcesses again;
  RunBatch(mailboxes, options_, again, observer);
  EXPECT_EQ(again.started, (std::vector<std::string>{"/mail/errors.nsf", "/mail/crash.nsf", "/mail/hang.nsf",
                                                     "/mail/refuse.nsf", "/mail/nostart.nsf"}));
  options_.retryFailed = true;
  FakeProcesses retry;
  const auto more = Mailboxes({"a", "errors", "crash", "new"});
  const BatchOutcome retried = RunBatch(more, options_, retry, observer);
  EXPECT_EQ(retry.started, (std::vector<std::string>{"/mail/errors.nsf", "/mail/crash.nsf"}));
  EXPECT_EQ(retried.rows[0].status, MailboxStatus::Done);
  EXPECT_EQ(retried.rows[3].status, MailboxStatus::Skipped);
}

TEST_F(BatchRunTest, ArgumentsCarryTheMailboxsOwnSettings) {
  Mailbox mailbox;
  mailbox.database = "/mail/a.nsf";
  mailbox.destination = "imap://host/a";
  mailbox.names = "/n.csv";
  mailbox.exclude = {"Trash", "Junk Mail"};
  options_.plainText = true;
  EXPECT_EQ(
      ExportArguments(mailbox, options_, "/r/w"),
      (std::vector<std::string>{"/bin/mailshift-cli", "export", "/mail/a.nsf", "imap://host/a", "--log",
                                "/r/w/export.log", "--summary", "/r/w/summary.json", "--names", "/n.csv",
                                "--exclude", "Trash", "--exclude", "Junk Mail", "--plain-text"}));
  EXPECT_EQ(WorkFolderName("/mail/Ann Smith.nsf").substr(0, 10), "Ann_Smith-");
  EXPECT_NE(WorkFolderName("/a/x.nsf"), WorkFolderName("/b/x.nsf"));
}

TEST(BatchProgressText, SaysMailboxesRateAndTimeLeft) {
  EXPECT_EQ(BatchProgressText({20, 0, 4, 0, 2}), "Mailboxes: 0 of 20 done, 4 running");
  EXPECT_EQ(BatchProgressText({20, 5, 4, 1000, 10}),
            "Mailboxes: 5 of 20 done, 4 running, 100 messages/s, about 30 s left");
  EXPECT_EQ(BatchProgressText({20, 10, 4, 1000, 600}),
            "Mailboxes: 10 of 20 done, 4 running, 2 messages/s, about 10 min left");
  EXPECT_EQ(BatchProgressText({3, 3, 0, 90, 3}), "Mailboxes: 3 of 3 done, 30 messages/s");
}

}  // namespace
}  // namespace mailshift::batch
