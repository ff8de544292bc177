// mailshift-store as a user runs it: outputs, messages and exit codes.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <nlohmann/json.hpp>

#include "platform/standin/tests/StoreTestSupport.h"

namespace mailshift::standin {
namespace {

using testing::ReadBytes;
using testing::ScratchFolder;
using testing::WriteBytes;

struct ToolRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

class StoreToolTest : public ::testing::Test {
 protected:
  ToolRun Tool(const std::string& arguments) {
    const std::string command = std::string("'") + MAILSHIFT_STORE_TOOL + "' " + arguments + " >'" +
                                (folder_ / "stdout").string() + "' 2>'" + (folder_ / "stderr").string() + "'";
    const int status = std::system(command.c_str());
    ToolRun run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadBytes(folder_ / "stdout");
    run.err = ReadBytes(folder_ / "stderr");
    std::filesystem::remove(folder_ / "stdout");
    std::filesystem::remove(folder_ / "stderr");
    return run;
  }

  std::string Path(const std::string& name) { return "'" + (folder_ / name).string() + "'"; }

  ScratchFolder folder_;
};

constexpr const char* kFixture = R"json({
  "title": "Mail - Ann Lee",
  "views": [
    {"name": "($Inbox)", "folder": true, "documents": ["m1", "m2"]},
    {"name": "Projects\\2008", "folder": true, "documents": ["m2"]},
    {"name": "($All)", "folder": false, "documents": ["m1", "m2"], "count": 9}
  ],
  "documents": [
    {"id": "m1", "size": 2048, "has_embedded": true, "created": "2008-11-05T14:30:00-05:00", "encrypted": false,
     "items": [
      {"name": "Subject", "text": ["Hello"]},
      {"name": "PostedDate", "datetime": ["2008-11-05T14:30:00-05:00"]},
      {"name": "Count", "number": [3]},
      {"name": "Body", "richtext": "Hello there",
       "embedded": [{"name": "a.doc", "type": 1454, "base64": "SGVsbG8="}]}]},
    {"id": "m2", "size": 10, "has_embedded": false, "created": "2000-01-01T00:00:00+00:00", "encrypted": false,
     "items": []}
  ]
})json";

TEST_F(StoreToolTest, BuildDumpAndSummary) {
  WriteBytes(folder_ / "fixture.json", kFixture);
  const ToolRun build = Tool("build " + Path("fixture.json") + " " + Path("Mail.nsf"));
  EXPECT_EQ(build.exitCode, 0) << build.err;
  EXPECT_EQ(build.err, "");
  const ToolRun dump = Tool("dump " + Path("Mail.nsf"));
  EXPECT_EQ(dump.exitCode, 0) << dump.err;
  EXPECT_EQ(nlohmann::json::parse(dump.out), nlohmann::json::parse(kFixture));
  const ToolRun summary = Tool("summary " + Path("Mail.nsf"));
  EXPECT_EQ(summary.exitCode, 0) << summary.err;
  EXPECT_EQ(summary.out,
            "Title: Mail - Ann Lee\n"
            "folder        2  ($Inbox)\n"
            "folder        1  Projects\\2008\n"
            "view          9  ($All)\n");
}

TEST_F(StoreToolTest, BadFixtureSaysWhereInOneLineAndWritesNothing) {
  WriteBytes(folder_ / "bad.json", R"json({"documents": [{"id": "a"}, {"id": "b", "items": [
      {"name": "Subject", "text": ["x"]}, {"name": "PostedDate", "datetime": ["yesterday"]}]}]})json");
  WriteBytes(folder_ / "Mail.nsf", "the previous store");
  const ToolRun build = Tool("build " + Path("bad.json") + " " + Path("Mail.nsf"));
  EXPECT_EQ(build.exitCode, 2);
  EXPECT_EQ(build.out, "");
  EXPECT_EQ(build.err,
            "mailshift-store: " + (folder_ / "bad.json").string() +
                ": documents[1].items[1].datetime[0]: not a date-time (like 2008-11-05T14:30:00-05:00)\n");
  EXPECT_EQ(ReadBytes(folder_ / "Mail.nsf"), "the previous store");
  EXPECT_EQ(folder_.FileNames(), (std::vector<std::string>{"Mail.nsf", "bad.json"}));
}

TEST_F(StoreToolTest, NotJsonAndMissingFixture) {
  WriteBytes(folder_ / "bad.json", "{\"title\": ");
  ToolRun build = Tool("build " + Path("bad.json") + " " + Path("Mail.nsf"));
  EXPECT_EQ(build.exitCode, 2);
  EXPECT_NE(build.err.find("not JSON"), std::string::npos) << build.err;
  EXPECT_EQ(std::count(build.err.begin(), build.err.end(), '\n'), 1);
  build = Tool("build " + Path("nowhere.json") + " " + Path("Mail.nsf"));
  EXPECT_EQ(build.exitCode, 2);
  EXPECT_FALSE(std::filesystem::exists(folder_ / "Mail.nsf"));
}

TEST_F(StoreToolTest, UnreadableStoreIsAFileFailure) {
  WriteBytes(folder_ / "real.nsf", std::string(4096, '\x1A'));
  for (const char* command : {"dump", "summary"}) {
    const ToolRun run = Tool(std::string(command) + " " + Path("real.nsf"));
    EXPECT_EQ(run.exitCode, 1) << command;
    EXPECT_EQ(run.out, "") << command;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_NE(run.err.find("real.nsf"), std::string::npos) << run.err;
  }
}

TEST_F(StoreToolTest, SampleIsRepeatable) {
  const ToolRun first = Tool("sample " + Path("a.nsf") + " --documents 8 --folders 3 --seed 11");
  ASSERT_EQ(first.exitCode, 0) << first.err;
  ASSERT_EQ(Tool("sample " + Path("b.nsf") + " --documents 8 --folders 3 --seed 11").exitCode, 0);
  const ToolRun dumpA = Tool("dump " + Path("a.nsf"));
  const ToolRun dumpB = Tool("dump " + Path("b.nsf"));
  EXPECT_EQ(dumpA.out, dumpB.out);
  const auto documents = nlohmann::json::parse(dumpA.out)["documents"];
  EXPECT_EQ(documents.size(), 8u);
  for (const auto& document : documents) EXPECT_EQ(document.value("unid", "").size(), 32u) << document["id"];
  const ToolRun summary = Tool("summary " + Path("a.nsf"));
  for (const char* folder : {"($Inbox)", "($Drafts)", "($Sent)", "($Follow-Up)", "($JunkMail)", "($Trash)"}) {
    const auto at = summary.out.find(std::string("  ") + folder + "\n");
    ASSERT_NE(at, std::string::npos) << folder;
    EXPECT_EQ(summary.out.compare(summary.out.rfind('\n', at) + 1, 7, "folder "), 0) << folder;
  }
}

// A fixture names attachment files only inside its own folder: a fixture from elsewhere must not
// copy files from the rest of the disk into a store.
class FixtureFilesTest : public StoreToolTest {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(folder_ / "fixtures" / "sub");
    std::filesystem::create_directories(folder_ / "outside");
    WriteBytes(folder_ / "secret.txt", "SECRET-OUTSIDE");
    WriteBytes(folder_ / "outside" / "secret.txt", "SECRET-OUTSIDE");
    WriteBytes(folder_ / "fixtures" / "sub" / "inside.txt", "inside bytes");
  }

  ToolRun BuildWith(const std::string& file) {
    const nlohmann::json fixture = {
        {"documents",
         {{{"id", "a"},
           {"items",
            {{{"name", "Body"}, {"richtext", ""}, {"embedded", {{{"name", "x"}, {"file", file}}}}}}}}}}};
    WriteBytes(folder_ / "fixtures" / "fixture.json", fixture.dump());
    return Tool("build " + Path("fixtures/fixture.json") + " " + Path("fixtures/Mail.nsf"));
  }

  void ExpectRefused(const std::string& file) {
    SCOPED_TRACE(file);
    const ToolRun build = BuildWith(file);
    EXPECT_EQ(build.exitCode, 2);
    EXPECT_EQ(std::count(build.err.begin(), build.err.end(), '\n'), 1) << build.err;
    EXPECT_TRUE(build.err.starts_with("mailshift-store: " + (folder_ / "fixtures" / "fixture.json").string() +
                                      ": documents[0].items[0].embedded[0].file: "))
        << build.err;
    EXPECT_FALSE(std::filesystem::exists(folder_ / "fixtures" / "Mail.nsf"));
    EXPECT_EQ(ScratchFolder::FileNamesOf(folder_ / "fixtures"),
              (std::vector<std::string>{"fixture.json", "sub"}))
        << "a half-built store was left behind";
  }
};

TEST_F(FixtureFilesTest, AFileInsideTheFixturesFolderIsRead) {
  std::filesystem::create_symlink("sub/inside.txt", folder_ / "fixtures" / "link.txt");
  for (const char* file : {"sub/inside.txt", "./sub/inside.txt", "sub/./inside.txt", "link.txt"}) {
    const ToolRun build = BuildWith(file);
    ASSERT_EQ(build.exitCode, 0) << file << ": " << build.err;
    const ToolRun dump = Tool("dump " + Path("fixtures/Mail.nsf"));
    EXPECT_EQ(nlohmann::json::parse(dump.out)["documents"][0]["items"][0]["embedded"][0]["base64"],
              "aW5zaWRlIGJ5dGVz")  // "inside bytes"
        << file;
  }
}

TEST_F(FixtureFilesTest, AbsolutePathsAndPathsLeadingOutAreRefused) {
  ExpectRefused((folder_ / "secret.txt").string());
  ExpectRefused((folder_ / "fixtures" / "sub" / "inside.txt").string());  // absolute even when inside
  ExpectRefused("../secret.txt");
  ExpectRefused("sub/../../secret.txt");
  ExpectRefused("sub/../inside.txt/..");
  ExpectRefused("");
  ExpectRefused("sub");
  ExpectRefused("nowhere.txt");
}

TEST_F(FixtureFilesTest, SymbolicLinksLeadingOutAreRefused) {
  std::filesystem::create_symlink(folder_ / "secret.txt", folder_ / "fixtures" / "sub" / "file-link.txt");
  std::filesystem::create_symlink("../../outside", folder_ / "fixtures" / "sub" / "folder-link");
  ExpectRefused("sub/file-link.txt");
  ExpectRefused("sub/folder-link/secret.txt");
}

TEST_F(StoreToolTest, CommandLineMistakesAreUsageErrors) {
  EXPECT_EQ(Tool("").exitCode, 2);
  EXPECT_EQ(Tool("frobnicate").exitCode, 2);
  EXPECT_EQ(Tool("build " + Path("only-one.json")).exitCode, 2);
  EXPECT_EQ(Tool("sample " + Path("s.nsf") + " --documents -5").exitCode, 2);
  EXPECT_EQ(Tool("sample " + Path("s.nsf") + " --documents many").exitCode, 2);
  EXPECT_FALSE(std::filesystem::exists(folder_ / "s.nsf"));
  EXPECT_EQ(Tool("--help").exitCode, 0);
}

TEST_F(StoreToolTest, SampleSizesBeyondTheLimitsAreUsageErrorsNotMemoryFailures) {
  for (const char* option : {"--documents 1000000000000", "--documents 1000001",
                             "--documents 100000000000000000000000", "--folders 1000000000"}) {
    SCOPED_TRACE(option);
    const ToolRun run = Tool("sample " + Path("s.nsf") + " " + option);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_NE(run.err.find("not in range 0 to 1000"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("bad_alloc"), std::string::npos) << run.err;
  }
  EXPECT_FALSE(std::filesystem::exists(folder_ / "s.nsf"));
  const ToolRun help = Tool("sample --help");
  EXPECT_NE(help.out.find("Number of documents (0 to 1000000)"), std::string::npos) << help.out;
}

}  // namespace
}  // namespace mailshift::standin
