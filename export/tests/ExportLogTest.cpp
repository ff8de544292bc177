#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "common/CodePage.h"
#include "export/ExportLog.h"
#include "export/tests/RecordingExport.h"

namespace mailshift::mail {
namespace {

using testing::ReadFile;
using testing::ScratchFolder;

TEST(ExportLog, WritesLinesInTheSystemCodePageWithCrLf) {
  ScratchFolder scratch;
  const std::string path = scratch.path() + "/Log.txt";
  {
    ExportLog log(path);
    EXPECT_EQ(log.path(), path);
    log.WriteLine("Lotus Notes Found");
    log.WriteLine(
        "\tEmail Subject : SUBJECT[Gr\xC3\xBC\xC3\x9F"
        "e]");
    log.Close();
    EXPECT_TRUE(log.complete());
    log.WriteLine("after closing");
  }
  EXPECT_EQ(ReadFile(path), "Lotus Notes Found\r\n" +
                                ToSystemCodePage("\tEmail Subject : SUBJECT[Gr\xC3\xBC\xC3\x9F"
                                                 "e]") +
                                "\r\n");
}

TEST(ExportLog, EachLineReachesTheFileWhenWrittenAndNeverBreaksInTwo) {
  ScratchFolder scratch;
  const std::string path = scratch.path() + "/Log.txt";
  ExportLog log(path);
  constexpr char kForged[] = "\tEmail Subject : SUBJECT[a\r\nDone\0b\x1B[2J]";
  log.WriteLine(std::string(kForged, sizeof kForged - 1));
  // Still open: a run killed now keeps every finished line.
  EXPECT_EQ(ReadFile(path), "\tEmail Subject : SUBJECT[a  Done b [2J]\r\n");
}

TEST(ExportLog, AnotherPlaceIsTakenWhenItsOwnIsALink) {
  ScratchFolder scratch;
  const std::string target = scratch.path() + "/precious.txt";
  std::ofstream(target) << "precious";
  std::filesystem::create_directory(scratch.path() + "/root");
  std::filesystem::create_symlink(target, scratch.path() + "/root/Log.txt");
  std::filesystem::create_symlink(target, scratch.path() + "/Log.txt");
  ExportLog log(scratch.path() + "/Log.txt");
  EXPECT_NE(log.refusal().find("is a link"), std::string::npos) << log.refusal();
  log.WriteLine("held back");
  log.FallBackTo(scratch.path() + "/root/");
  EXPECT_EQ(log.path(), "");
  EXPECT_FALSE(log.complete());
  log.Close();
  EXPECT_EQ(ReadFile(target), "precious");
}

// Run with LC_ALL=de_DE (ISO-8859-1) by its own CTest entry; skipped in other settings.
TEST(ExportLog, WritesLatinOneBytesInALatinOneSystem) {
  if (SystemCodePageName() != "ISO-8859-1")
    GTEST_SKIP() << "the system code page is " << SystemCodePageName();
  ScratchFolder scratch;
  const std::string path = scratch.path() + "/Log.txt";
  {
    ExportLog log(path);
    log.WriteLine(
        "\tEmail Subject : SUBJECT[Gr\xC3\xBC\xC3\x9F"
        "e \xE2\x82\xAC]");
  }
  EXPECT_EQ(ReadFile(path),
            "\tEmail Subject : SUBJECT[Gr\xFC\xDF"
            "e ?]\r\n");
}

TEST(ExportLog, EveryRunRewritesTheFile) {
  ScratchFolder scratch;
  const std::string path = scratch.path() + "/Log.txt";
  {
    ExportLog first(path);
    first.WriteLine("first run");
    first.WriteLine("Done");
  }
  {
    ExportLog second(path);
    second.WriteLine("second run");
  }
  EXPECT_EQ(ReadFile(path), "second run\r\n");
}

TEST(ExportLog, FallsBackToTheOutputRootWithEveryLineHeldBack) {
  ScratchFolder scratch;
  ExportLog log(scratch.path() + "/no such folder/Log.txt");
  EXPECT_EQ(log.path(), "");
  EXPECT_FALSE(log.complete());
  log.WriteLine("Lotus Notes Found");
  log.FallBackTo(scratch.path() + "/");
  log.WriteLine("Done");
  log.Close();
  EXPECT_EQ(log.path(), scratch.path() + "/Log.txt");
  EXPECT_TRUE(log.complete());
  EXPECT_EQ(ReadFile(scratch.path() + "/Log.txt"), "Lotus Notes Found\r\nDone\r\n");
}

TEST(ExportLog, KeepsItsFileWhenItHasOne) {
  ScratchFolder scratch;
  const std::string path = scratch.path() + "/primary.txt";
  ExportLog log(path);
  log.FallBackTo(scratch.path() + "/");
  log.WriteLine("Done");
  log.Close();
  EXPECT_EQ(ReadFile(path), "Done\r\n");
  EXPECT_FALSE(std::filesystem::exists(scratch.path() + "/Log.txt"));
}

TEST(ExportLog, ReportsWhenNoPlaceCouldBeFound) {
  ScratchFolder scratch;
  ExportLog log("");
  log.WriteLine("line");
  log.FallBackTo(scratch.path() + "/missing/");
  log.Close();
  EXPECT_EQ(log.path(), "");
  EXPECT_FALSE(log.complete());
}

TEST(ExportLog, ReportsAWriteThatFailed) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  ExportLog log("/dev/full");
  for (int i = 0; i < 10000; ++i) log.WriteLine("a line that fills the buffer of the file");
  log.Close();
  EXPECT_FALSE(log.complete());
}

TEST(DefaultLogPath, IsLogTxtInTheHomeFolder) {
  const char* home = std::getenv("HOME");
  const std::string saved = home != nullptr ? home : "";
  setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(DefaultLogPath(), "/home/someone/Log.txt");
  setenv("HOME", "/home/someone/", 1);
  EXPECT_EQ(DefaultLogPath(), "/home/someone/Log.txt");
  unsetenv("HOME");
  EXPECT_EQ(DefaultLogPath(), "");
  if (home != nullptr) setenv("HOME", saved.c_str(), 1);
}

}  // namespace
}  // namespace mailshift::mail
