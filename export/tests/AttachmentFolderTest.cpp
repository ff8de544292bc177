#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "export/AttachmentFolder.h"
#include "export/tests/RecordingExport.h"

namespace mailshift::mail {
namespace {

namespace fs = std::filesystem;

// Points the system's temporary folder at a scratch folder for the test's lifetime.
class AttachmentFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* previous = std::getenv("TMPDIR");
    if (previous != nullptr) previous_ = previous;
    setenv("TMPDIR", temp_.path().c_str(), 1);
  }
  void TearDown() override {
    if (previous_.empty()) {
      unsetenv("TMPDIR");
    } else {
      setenv("TMPDIR", previous_.c_str(), 1);
    }
  }
  testing::ScratchFolder temp_;
  std::string previous_;
};

void Touch(const std::string& path) { std::ofstream(path) << "x"; }

TEST_F(AttachmentFolderTest, IsMadeOnlyWhenNeeded) {
  {
    AttachmentFolder folder;
    EXPECT_EQ(folder.path(), "");
  }
  EXPECT_TRUE(fs::is_empty(temp_.path()));
}

// A killed run cannot remove its folder; the next run removes those whose process is gone.
TEST_F(AttachmentFolderTest, TheFoldersOfKilledRunsAreRemovedAndNoOthers) {
  const pid_t gone = fork();
  if (gone == 0) _exit(0);
  waitpid(gone, nullptr, 0);
  const std::string left = temp_.path() + "/mailshift-" + std::to_string(gone) + "-Ab12Cd";
  fs::create_directories(left + "/3");
  Touch(left + "/3/half.pdf");
  // The composer's attachment spool of that run, with a copy of an attachment in it.
  const std::string spool = temp_.path() + "/mailshift-spool-" + std::to_string(gone) + "-0a1b2c3d4e5f";
  fs::create_directories(spool);
  Touch(spool + "/0");
  const std::string running = temp_.path() + "/mailshift-1-Ab12Cd";  // its process is there
  const std::string runningSpool = temp_.path() + "/mailshift-spool-1-0a1b2c3d4e5f";
  const std::string other = temp_.path() + "/mailshift-notes";
  const std::string otherSpool = temp_.path() + "/mailshift-spool-notes";
  for (const std::string& kept : {running, runningSpool, other, otherSpool}) fs::create_directory(kept);
  AttachmentFolder folder;
  folder.NewFilePath("a.doc");
  EXPECT_FALSE(fs::exists(left));
  EXPECT_FALSE(fs::exists(spool));
  for (const std::string& kept : {running, runningSpool, other, otherSpool})
    EXPECT_TRUE(fs::exists(kept)) << kept;
  EXPECT_EQ(folder.path().rfind(temp_.path() + "/mailshift-" + std::to_string(getpid()) + "-", 0), 0u);
}

TEST_F(AttachmentFolderTest, IsPrivateUnpredictableAndGivesEachFileItsOwnSubfolder) {
  AttachmentFolder first;
  AttachmentFolder second;
  const std::string a = first.NewFilePath("same.doc");
  const std::string b = first.NewFilePath("same.doc");
  second.NewFilePath("same.doc");

  EXPECT_NE(a, b);
  EXPECT_EQ(fs::path(a).filename(), "same.doc");
  EXPECT_EQ(fs::path(b).filename(), "same.doc");
  EXPECT_EQ(fs::path(first.path()).parent_path().parent_path(), fs::path(temp_.path()));
  EXPECT_NE(first.path(), second.path());
  EXPECT_EQ(first.path().find(temp_.path() + "/mailshift-"), 0u);

  struct stat info {};
  ASSERT_EQ(stat(first.path().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  ASSERT_EQ(stat(fs::path(a).parent_path().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0077, 0u);
}

TEST_F(AttachmentFolderTest, RemovesHandedOutFilesAndFinallyItself) {
  std::string privatePath;
  {
    AttachmentFolder folder;
    const std::string file = folder.NewFilePath("a.txt");
    Touch(file);
    privatePath = folder.path();
    folder.RemoveFiles();
    EXPECT_TRUE(fs::is_directory(privatePath));
    for (const auto& entry : fs::recursive_directory_iterator(privatePath))
      EXPECT_TRUE(entry.is_directory()) << entry.path() << " is left";
    Touch(folder.NewFilePath("b.txt"));
  }
  EXPECT_FALSE(fs::exists(privatePath));
}

TEST_F(AttachmentFolderTest, EmptiedSubfoldersServeTheNextMessageStillOneFilePerSubfolder) {
  AttachmentFolder folder;
  const std::string first = folder.NewFilePath("same.doc");
  const std::string second = folder.NewFilePath("same.doc");
  Touch(first);
  Touch(second);
  folder.RemoveFiles();
  const std::string third = folder.NewFilePath("same.doc");
  const std::string fourth = folder.NewFilePath("same.doc");
  const std::string fifth = folder.NewFilePath("other.doc");
  EXPECT_EQ(third, first);
  EXPECT_EQ(fourth, second);
  EXPECT_NE(fs::path(fifth).parent_path(), fs::path(first).parent_path());
  EXPECT_NE(fs::path(fifth).parent_path(), fs::path(second).parent_path());
  EXPECT_FALSE(fs::exists(third)) << "a reused subfolder starts empty";
}

TEST_F(AttachmentFolderTest, ASubfolderWhoseFileCannotBeRemovedIsNotHandedOutAgain) {
  AttachmentFolder folder;
  const std::string stuck = folder.NewFilePath("stuck");
  // A folder with something in it where the file was expected: removing it fails.
  fs::create_directories(fs::path(stuck) / "inside");
  const std::string plain = folder.NewFilePath("plain.txt");
  Touch(plain);
  folder.RemoveFiles();
  EXPECT_TRUE(fs::exists(fs::path(stuck) / "inside")) << "nothing but the handed-out file is removed";
  EXPECT_FALSE(fs::exists(plain));
  const std::string next = folder.NewFilePath("next.txt");
  const std::string after = folder.NewFilePath("after.txt");
  EXPECT_EQ(fs::path(next).parent_path(), fs::path(plain).parent_path());
  EXPECT_NE(fs::path(after).parent_path(), fs::path(stuck).parent_path());
  EXPECT_TRUE(fs::is_empty(fs::path(after).parent_path()));
}

TEST_F(AttachmentFolderTest, IsRemovedWhenTheRunFailsMidway) {
  std::string privatePath;
  try {
    AttachmentFolder folder;
    Touch(folder.NewFilePath("a.txt"));
    privatePath = folder.path();
    throw std::runtime_error("the run broke down");
  } catch (const std::runtime_error&) {
  }
  EXPECT_FALSE(privatePath.empty());
  EXPECT_FALSE(fs::exists(privatePath));
}

TEST_F(AttachmentFolderTest, ReportsAFolderThatCannotBeMade) {
  setenv("TMPDIR", (temp_.path() + "/missing").c_str(), 1);
  AttachmentFolder folder;
  EXPECT_THROW(folder.NewFilePath("a.txt"), std::runtime_error);
}

}  // namespace
}  // namespace mailshift::mail
