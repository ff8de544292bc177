#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "common/RememberedFolders.h"

namespace mailshift {
namespace {

namespace fs = std::filesystem;

unsigned long CurrentProcess() {
#ifdef _WIN32
  return GetCurrentProcessId();
#else
  return static_cast<unsigned long>(getpid());
#endif
}

class RememberedFoldersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = fs::temp_directory_path() / ("remembered-" + std::to_string(std::random_device{}()));
    ASSERT_TRUE(fs::create_directory(folder));
  }
  void TearDown() override { fs::remove_all(folder); }
  fs::path folder;
};

TEST_F(RememberedFoldersTest, EverySettingSurvivesANewStartAndEachChangeKeepsTheOthers) {
  const fs::path file = folder / "config" / "Corvane Mailshift" / "folders.txt";
  {
    RememberedFolders first(file);
    EXPECT_EQ(first.DatabaseFolder(), "");
    EXPECT_EQ(first.Destination(), "");
    EXPECT_EQ(first.NamesTable(), "");
    EXPECT_FALSE(first.PlainText());
    EXPECT_TRUE(first.RememberDatabaseFolder("/home/ann/Mail files"));
    EXPECT_TRUE(first.RememberNamesTable("/home/ann/names.csv"));
    EXPECT_TRUE(first.RememberPlainText(true));
    EXPECT_TRUE(first.RememberDestination("/home/ann/Export = here"));
    EXPECT_TRUE(first.RememberDatabaseFolder("/home/ann/Older"));
  }
  RememberedFolders next(file);
  EXPECT_EQ(next.DatabaseFolder(), "/home/ann/Older");
  EXPECT_EQ(next.Destination(), "/home/ann/Export = here");
  EXPECT_EQ(next.NamesTable(), "/home/ann/names.csv");
  EXPECT_TRUE(next.PlainText());
  EXPECT_TRUE(next.RememberPlainText(false));
  EXPECT_TRUE(next.RememberNamesTable(""));
  EXPECT_FALSE(RememberedFolders(file).PlainText());
  EXPECT_EQ(RememberedFolders(file).NamesTable(), "");
  EXPECT_EQ(RememberedFolders(file).Destination(), "/home/ann/Export = here");
  EXPECT_FALSE(fs::exists(fs::path(file) += ".new"));
}

TEST_F(RememberedFoldersTest, AFileThatCannotBeWrittenKeepsWhatWasThere) {
  const fs::path file = folder / "folders.txt";
  RememberedFolders store(file);
  ASSERT_TRUE(store.RememberDestination("/out"));
  EXPECT_FALSE(store.RememberDestination("two\nlines"));
  EXPECT_EQ(store.Destination(), "/out");

  // A file standing where the file's folder belongs.
  std::ofstream(folder / "blocker") << "x";
  RememberedFolders blocked(folder / "blocker" / "folders.txt");
  EXPECT_FALSE(blocked.RememberDestination("/out"));
  EXPECT_EQ(blocked.Destination(), "");
}

// The new file is made exclusively: whatever stands at its name is neither written through nor
// replaced.
TEST_F(RememberedFoldersTest, NothingAtTheNewFilesNameIsWrittenThrough) {
  const fs::path file = folder / "folders.txt";
  const std::string process = std::to_string(CurrentProcess());
  for (const std::string& planted : {file.string() + ".new", file.string() + ".new-" + process}) {
    std::ofstream(planted) << "keep";
  }
#ifndef _WIN32
  std::ofstream(folder / "target") << "keep";
  fs::remove(file.string() + ".new-" + process);
  fs::create_symlink(folder / "target", file.string() + ".new-" + process);
#endif
  RememberedFolders store(file);
  ASSERT_TRUE(store.RememberDestination("/out"));
  EXPECT_EQ(RememberedFolders(file).Destination(), "/out");
  std::ifstream kept(file.string() + ".new");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "keep");
#ifndef _WIN32
  std::ifstream target(folder / "target");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(target), {}), "keep");
#endif
}

#ifndef _WIN32
// A pipe is refused at once instead of waited on, and a device is read no further than a file of
// ours could reach.
TEST_F(RememberedFoldersTest, OnlyAPlainFileIsReadAndNoMoreOfItThanAFileOfOursHolds) {
  const fs::path file = folder / "folders.txt";
  ASSERT_EQ(mkfifo(file.c_str(), 0600), 0);
  RememberedFolders pipe(file);
  EXPECT_EQ(pipe.Destination(), "");
  // Written, the pipe is replaced by a file.
  ASSERT_TRUE(pipe.RememberDestination("/out"));
  EXPECT_EQ(pipe.Destination(), "/out");

  fs::remove(file);
  fs::create_symlink("/dev/zero", file);
  EXPECT_EQ(RememberedFolders(file).Destination(), "");
}
#endif

TEST_F(RememberedFoldersTest, ForeignLinesAndWindowsLineEndsAreRead) {
  const fs::path file = folder / "folders.txt";
  std::ofstream(file, std::ios::binary) << "junk\r\ndestination=C:\\Export\r\nother=1\r\n";
  RememberedFolders store(file);
  EXPECT_EQ(store.Destination(), "C:\\Export");
  EXPECT_EQ(store.DatabaseFolder(), "");
}

TEST(DatabaseFileTest, FolderOfAFileAndTheNotesExtension) {
  EXPECT_EQ(FolderOfFile("/home/ann/mail.nsf"), "/home/ann");
  EXPECT_EQ(FolderOfFile("/mail.nsf"), "/");
  EXPECT_EQ(FolderOfFile("C:\\mail.nsf"), "C:\\");
  EXPECT_EQ(FolderOfFile("C:\\Notes\\Data\\mail.nsf"), "C:\\Notes\\Data");
  EXPECT_EQ(FolderOfFile("mail.nsf"), "");

  EXPECT_TRUE(IsNotesDatabaseFile("/home/ann/mail.nsf"));
  EXPECT_TRUE(IsNotesDatabaseFile("C:\\Data\\MAIL.NSF"));
  EXPECT_FALSE(IsNotesDatabaseFile("/home/ann/.nsf"));
  EXPECT_FALSE(IsNotesDatabaseFile("/home/ann/mail.nsf.txt"));
  EXPECT_FALSE(IsNotesDatabaseFile("/home/ann/mailnsf"));
  EXPECT_FALSE(IsNotesDatabaseFile(""));
}

}  // namespace
}  // namespace mailshift
