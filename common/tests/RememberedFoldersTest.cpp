#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "common/RememberedFolders.h"

namespace mailshift {
namespace {

namespace fs = std::filesystem;

class RememberedFoldersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A new folder of a random name (mkdtemp is not there on Windows).
    std::random_device random;
    for (int attempt = 0; attempt < 100 && folder.empty(); ++attempt) {
      const fs::path candidate = fs::temp_directory_path() / ("remembered-" + std::to_string(random()));
      if (fs::create_directory(candidate)) folder = candidate;
    }
    ASSERT_FALSE(folder.empty());
  }
  void TearDown() override { fs::remove_all(folder); }
  fs::path folder;
};

TEST_F(RememberedFoldersTest, BothFoldersSurviveANewStartAndEachChangeKeepsTheOther) {
  const fs::path file = folder / "config" / "Corvane Mailshift" / "folders.txt";
  {
    RememberedFolders first(file);
    EXPECT_EQ(first.DatabaseFolder(), "");
    EXPECT_EQ(first.Destination(), "");
    EXPECT_TRUE(first.RememberDatabaseFolder("/home/ann/Mail files"));
    EXPECT_TRUE(first.RememberDestination("/home/ann/Export = here"));
    EXPECT_TRUE(first.RememberDatabaseFolder("/home/ann/Older"));
  }
  const RememberedFolders next(file);
  EXPECT_EQ(next.DatabaseFolder(), "/home/ann/Older");
  EXPECT_EQ(next.Destination(), "/home/ann/Export = here");
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
