// mailshift-cli over the real Notes databases of platform/nsf/tests/data, read natively.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

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

class NativeReaderCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC0", 1);
    setenv("LC_ALL", "C", 1);
  }
  CliRun Cli(const std::string& arguments) {
    const auto out = scratch.path() / "out.txt";
    const auto err = scratch.path() / "err.txt";
    const std::string command =
        std::string(MAILSHIFT_CLI) + " " + arguments + " >'" + out.string() + "' 2>'" + err.string() + "'";
    const int status = std::system(command.c_str());
    return CliRun{WEXITSTATUS(status), ReadBytes(out), ReadBytes(err)};
  }
  static std::string Sample(const std::string& name) {
    return "'" + std::string(MAILSHIFT_NSF_SAMPLES) + "/" + name + "'";
  }
  ScratchFolder scratch;
};

TEST_F(NativeReaderCliTest, ScanNamesEachSampleAndTheReaderThatReadIt) {
  const std::pair<const char*, const char*> samples[] = {{"knowndt.nsf", "Known Date/Time"},
                                                         {"sample.nsf", "BVT Test DB"},
                                                         {"invalidtimedate.nsf", "JNX Invalid TimeDate"},
                                                         {"signeddoc.nsf", "Signed Doc"}};
  for (const auto& [file, title] : samples) {
    const CliRun run = Cli("scan " + Sample(file));
    EXPECT_EQ(run.exitCode, 0) << file << ": " << run.err;
    EXPECT_EQ(run.out.substr(0, run.out.find('\n', run.out.find('\n') + 1) + 1),
              std::string(title) + "\nReader: native\n")
        << file;
    EXPECT_NE(run.out.find("Notes Database Scan Completed Successfully\n"), std::string::npos) << file;
  }
  // Chosen explicitly, the same; the stand-in refuses the file.
  EXPECT_EQ(Cli("scan --reader native " + Sample("knowndt.nsf")).exitCode, 0);
  EXPECT_EQ(Cli("scan --reader notes " + Sample("knowndt.nsf")).exitCode, 1);
}

TEST_F(NativeReaderCliTest, TheFolderOfSampleIsScannedListedAndExported) {
  const CliRun scan = Cli("scan " + Sample("sample.nsf"));
  EXPECT_NE(scan.out.find("Backup Role for Student (1)"), std::string::npos) << scan.out;
  const CliRun list = Cli("list " + Sample("sample.nsf") + " 'Backup Role for Student'");
  EXPECT_EQ(list.exitCode, 0) << list.err;
  EXPECT_EQ(std::count(list.out.begin(), list.out.end(), '\n'), 1) << list.out;

  const auto destination = scratch.path() / "out";
  std::filesystem::create_directories(destination);
  const CliRun exported = Cli("export " + Sample("sample.nsf") + " '" + destination.string() + "' --log '" +
                           (scratch.path() / "log.txt").string() + "'");
  EXPECT_EQ(exported.exitCode, 0) << exported.err;
  std::size_t messages = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(destination))
    if (entry.path().extension() == ".eml") ++messages;
  EXPECT_EQ(messages, 1u);
}

TEST_F(NativeReaderCliTest, InspectGivesTheInventoryAndEveryItemAsJson) {
  const CliRun text = Cli("inspect " + Sample("sample.nsf"));
  EXPECT_EQ(text.exitCode, 0) << text.err;
  EXPECT_EQ(text.out.substr(0, text.out.find("Documents:")), "Title: BVT Test DB\nODS: 52\nReader: native\n");
  EXPECT_NE(text.out.find("Documents: 18\n"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("  folder Backup Role for Student: 1\n  in no folder: 17\n"), std::string::npos)
      << text.out;
  EXPECT_NE(text.out.find("Not read: 0\n"), std::string::npos) << text.out;

  const CliRun json = Cli("inspect --json " + Sample("knowndt.nsf"));
  EXPECT_EQ(json.exitCode, 0) << json.err;
  EXPECT_EQ(json.out.rfind(
                "{\"title\": \"Known Date/Time\", \"ods\": 52, \"reader\": \"native\", \"documents\": [", 0),
            0u)
      << json.out;
  const auto document = json.out.find("\"unid\": \"489CC69E9C1E96CB852585F8005A812C\"");
  ASSERT_NE(document, std::string::npos) << json.out;
  EXPECT_NE(json.out.find("{\"name\": \"foo\", \"type\": 1024, \"summary\": true, \"values\": "
                          "[\"2020-10-05T12:10:07-05:00\"]}",
                          document),
            std::string::npos)
      << json.out;
  EXPECT_EQ(Cli("inspect " + Sample("../../NsfFile.h")).exitCode, 1);
}

}  // namespace
}  // namespace mailshift::cli
