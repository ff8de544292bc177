// The report and the export summary: what is written reads back the same, hostile text stays
// text, and nothing malformed is taken for a summary.
#include <gtest/gtest.h>

#include <filesystem>

#include "batch/BatchReport.h"
#include "batch/ExportSummary.h"

namespace mailshift::batch {
namespace {

std::vector<MailboxResult> SomeRows() {
  MailboxResult done;
  done.database = "/mail/ann, \"the boss\".nsf";
  done.destination = "/out/ann";
  done.owner = "Ann <ann@example.com>";
  done.status = MailboxStatus::Done;
  done.folders = 7;
  done.written = 1234;
  done.encrypted = 3;
  done.bytes = 5'000'000;
  done.seconds = 12.5;
  MailboxResult failed;
  failed.database = "/mail/bob.nsf";
  failed.status = MailboxStatus::Failed;
  failed.firstError = "not a mail store\r\nsecond line <script>alert('x')</script> & more";
  MailboxResult partly = done;
  partly.database = "/mail/zoë.nsf";
  partly.status = MailboxStatus::DoneWithErrors;
  partly.notWritten = 2;
  partly.partial = 1;
  partly.firstError = "Not written : Inbox, document 4";
  return {done, failed, partly};
}

TEST(BatchReport, CsvReadsBackTheRowsItWrote) {
  const std::vector<MailboxResult> rows = SomeRows();
  const std::string csv = ReportCsv(rows);
  EXPECT_EQ(csv.substr(0, csv.find("\r\n")),
            "database,status,written,not_written,partial,encrypted,bytes,seconds,first_error,folders,owner,"
            "destination,log");
  const ReportRead read = ReadReportCsv(csv);
  EXPECT_TRUE(read.problems.empty());
  ASSERT_EQ(read.rows.size(), rows.size());
  for (std::size_t index = 0; index < rows.size(); ++index) {
    EXPECT_EQ(read.rows[index].database, rows[index].database);
    EXPECT_EQ(read.rows[index].status, rows[index].status);
    EXPECT_EQ(read.rows[index].written, rows[index].written);
    EXPECT_EQ(read.rows[index].notWritten, rows[index].notWritten);
    EXPECT_EQ(read.rows[index].partial, rows[index].partial);
    EXPECT_EQ(read.rows[index].encrypted, rows[index].encrypted);
    EXPECT_EQ(read.rows[index].bytes, rows[index].bytes);
    EXPECT_DOUBLE_EQ(read.rows[index].seconds, rows[index].seconds);
    EXPECT_EQ(read.rows[index].firstError, rows[index].firstError);
    EXPECT_EQ(read.rows[index].owner, rows[index].owner);
    EXPECT_EQ(read.rows[index].folders, rows[index].folders);
  }
}

TEST(BatchReport, LeavesOutRowsItCannotTrust) {
  const ReportRead read = ReadReportCsv(
      "database,status,written\n"
      "/a.nsf,done,3\n"
      "/b.nsf,finished,3\n"
      "/c.nsf,done,-1\n"
      "/d.nsf,done,1e3\n"
      ",done,1\n"
      "/e.nsf,failed\n"
      "/f.nsf,running,\n");
  ASSERT_EQ(read.rows.size(), 1u);
  EXPECT_EQ(read.rows[0].database, "/a.nsf");
  EXPECT_EQ(read.problems.size(), 6u);
  EXPECT_FALSE(ReadReportCsv("name,count\nx,1\n").problems.empty());
}

TEST(BatchReport, HtmlIsOneSortableTableOfEscapedTextWithTotals) {
  const std::string html = ReportHtml(SomeRows());
  EXPECT_EQ(html.find("<script>alert"), std::string::npos);
  EXPECT_NE(html.find("&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt; &amp; more"), std::string::npos);
  EXPECT_NE(html.find("Ann &lt;ann@example.com&gt;"), std::string::npos);
  EXPECT_NE(html.find("zoë"), std::string::npos);
  EXPECT_EQ(html.find("src="), std::string::npos);  // nothing fetched from anywhere
  EXPECT_EQ(html.find("http"), html.find("http-equiv"));
  EXPECT_NE(html.find("default-src 'none'"), std::string::npos);
  std::size_t tables = 0;
  for (std::size_t at = html.find("<table"); at != std::string::npos; at = html.find("<table", at + 1))
    ++tables;
  EXPECT_EQ(tables, 1u);
  EXPECT_NE(html.find("<td>Total</td><td></td><td></td><td class=\"n\">14</td><td class=\"n\">2468</td>"
                      "<td class=\"n\">2</td><td class=\"n\">1</td><td class=\"n\">6</td>"),
            std::string::npos);
  EXPECT_NE(html.find("3 mailboxes, 1 done, 1 done with errors, 1 failed."), std::string::npos);
  EXPECT_NE(html.find("addEventListener(\"click\""), std::string::npos);
}

TEST(BatchReport, IsWrittenWholeAndReadFromItsFolder) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() /
      ("batch-report-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  EXPECT_TRUE(ReadReportFile(folder.string()).rows.empty());
  EXPECT_EQ(WriteReport(folder.string(), SomeRows()), "");
  EXPECT_EQ(ReadReportFile(folder.string()).rows.size(), 3u);
  EXPECT_TRUE(std::filesystem::exists(folder / "report.html"));
  EXPECT_NE(WriteReport((folder / "missing").string(), SomeRows()), "");
  std::filesystem::remove_all(folder);
}

TEST(ExportSummary, ReadsBackWhatItWrites) {
  ExportSummary summary;
  summary.end = "completed";
  summary.succeeded = true;
  summary.failure = "quote \" backslash \\ tab \t line\n \x01 zoë \xF0\x9F\x93\xA7";
  summary.outputRoot = "C:\\out\\Ann\\";
  summary.folders = 6;
  summary.written = 40;
  summary.alreadyThere = 2;
  summary.encrypted = 5;
  summary.seconds = 1.25;
  const std::optional<ExportSummary> read = ParseSummaryJson(SummaryJson(summary));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->failure, summary.failure);
  EXPECT_EQ(read->outputRoot, summary.outputRoot);
  EXPECT_TRUE(read->succeeded);
  EXPECT_EQ(read->folders, 6);
  EXPECT_EQ(read->written, 40);
  EXPECT_EQ(read->alreadyThere, 2);
  EXPECT_EQ(read->encrypted, 5);
  EXPECT_DOUBLE_EQ(read->seconds, 1.25);
  EXPECT_EQ(ParseSummaryJson(R"({"end":"completed","failure":"\ud83d\udce7 \u00e9"})")->failure, "📧 é");
}

TEST(ExportSummary, RefusesWhatIsNoSummary) {
  for (const std::string bad : {
           "",
           "[]",
           "{",
           R"({"end":"completed",})",
           R"({"end":"completed"} x)",
           R"({"written":3})",
           R"({"end":"completed","written":-3})",
           R"({"end":"completed","written":2.5})",
           R"({"end":"completed","written":"3"})",
           R"({"end":"completed","succeeded":1})",
           R"({"end":"completed","failure":"\ud800"})",
           R"({"end":"completed","failure":"\x"})",
           "{\"end\":\"compl\neted\"}",
           "{\"end\":\"\xFF\"}",
           R"({"end":"completed","seconds":1e999})",
           R"({"end":"completed","written":+3})",
           R"({"end":"completed","written":1e300})",
       }) {
    EXPECT_FALSE(ParseSummaryJson(bad)) << bad;
  }
  EXPECT_FALSE(ParseSummaryJson("{\"end\":\"completed\",\"failure\":\"" + std::string(300000, 'x') + "\"}"));
}

}  // namespace
}  // namespace mailshift::batch
