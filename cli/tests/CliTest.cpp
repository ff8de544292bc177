#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/standin/StoreFixture.h"
#include "platform/standin/tests/StoreTestSupport.h"

namespace mailshift::cli {
namespace {

using standin::testing::ReadBytes;
using standin::testing::ScratchFolder;

struct CliRun {
  int exitCode;
  std::string out;
  std::string err;
};

class CliTest : public ::testing::Test {
 protected:
  // The tool's date text follows the regional settings and the time zone it inherits.
  void SetUp() override {
    setenv("TZ", "UTC0", 1);
    setenv("LC_ALL", "C", 1);
  }

  CliRun Cli(const std::string& arguments) {
    const auto out = scratch / "out.txt";
    const auto err = scratch / "err.txt";
    const std::string command =
        std::string(MAILSHIFT_CLI) + " " + arguments + " >'" + out.string() + "' 2>'" + err.string() + "'";
    const int status = std::system(command.c_str());
    return CliRun{WEXITSTATUS(status), ReadBytes(out), ReadBytes(err)};
  }

  std::string Store(const std::string& fixture) {
    const auto store = scratch / "mail.nsf";
    standin::BuildStoreFromText(fixture, store);
    return "'" + store.string() + "'";
  }

  ScratchFolder scratch;
};

constexpr const char* kFixture = R"json({
  "title": "Mail - Ann Lee",
  "views": [
    {"name": "($Inbox)", "folder": true, "documents": ["m1", "m2"]},
    {"name": "($Sent)", "folder": true, "documents": ["m3"]},
    {"name": "Projects\\2008", "folder": true, "documents": ["m3"]},
    {"name": "Projects", "folder": true, "documents": []},
    {"name": "($All)", "folder": false, "documents": ["m1", "m2", "m3"]}
  ],
  "documents": [
    {"id": "m1", "size": 1536, "items": [
      {"name": "From", "text": ["Bob Ray/Org"]},
      {"name": "Subject", "text": ["  Hello  "]},
      {"name": "PostedDate", "datetime": ["2008-11-05T14:30:00+00:00"]}]},
    {"id": "m2", "size": 512, "items": [{"name": "Subject", "text": ["No sender"]}]},
    {"id": "m3", "size": 4096, "items": [
      {"name": "SendTo", "text": ["Cy Orr/Org"]},
      {"name": "Subject", "text": ["Budget"]}]}
  ]
})json";

TEST_F(CliTest, ScanPrintsTheTitleTheTreeAndTheMessage) {
  const CliRun run = Cli("scan " + Store(kFixture));
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out,
            "Mail - Ann Lee\n"
            "[x] Notes Email Database\n"
            "  [x] Inbox (2)\n"
            "  [x] Drafts (0)\n"
            "  [x] Sent (1)\n"
            "  [x] Follow Up (0)\n"
            "  [x] Junk Mail (0)\n"
            "  [x] Trash (0)\n"
            "  [x] Folders\n"
            "    [x] Projects (0)\n"
            "      [x] 2008 (1)\n"
            "Notes Database Scan Completed Successfully\n");
  EXPECT_EQ(run.err, "");
}

TEST_F(CliTest, ScanOfUnreadableDataSaysSoOnStandardError) {
  standin::testing::WriteBytes(scratch / "real.nsf", std::string(4096, '\x1A'));
  const CliRun run = Cli("scan '" + (scratch / "real.nsf").string() + "'");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "No Data Found in NSF file or NSF file is encrypted\n");

  const CliRun missing = Cli("scan ''");
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.err, "Please select a Notes database and click Start Scan to proceed.\n");
}

TEST_F(CliTest, ListPrintsThePreviewRowsOfAFolder) {
  const std::string store = Store(kFixture);
  const CliRun inbox = Cli("list " + store + " Inbox");
  EXPECT_EQ(inbox.exitCode, 0) << inbox.err;
  EXPECT_EQ(inbox.out,
            "Bob Ray/Org\tHello\t2 KB\t11/05/2008 14:30:00\n"
            "\tNo sender\t0 KB\t\n");

  const CliRun user = Cli("list " + store + " 'Projects\\2008'");
  EXPECT_EQ(user.out, "Cy Orr/Org\tBudget\t4 KB\t\n");

  const CliRun root = Cli("list " + store + " ''");
  EXPECT_EQ(root.exitCode, 0);
  EXPECT_EQ(root.out, "");
}

TEST_F(CliTest, BadArgumentsExitWithTwo) {
  EXPECT_EQ(Cli("").exitCode, 2);
  EXPECT_EQ(Cli("scan").exitCode, 2);
  EXPECT_EQ(Cli("frobnicate x").exitCode, 2);
  EXPECT_EQ(Cli("--help").exitCode, 0);
}

}  // namespace
}  // namespace mailshift::cli
