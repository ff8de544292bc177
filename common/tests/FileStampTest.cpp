// The stamp that tells whether a database file changed after its scan.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>

#include "common/FileStamp.h"

namespace mailshift {
namespace {

namespace fs = std::filesystem;

TEST(FileStamp, ChangesWithTheContentTheTimeOrTheFileButNotByReading) {
  const fs::path folder =
      fs::temp_directory_path() / ("file-stamp-" + std::to_string(std::random_device{}()));
  ASSERT_TRUE(fs::create_directory(folder));
  const fs::path file = folder / "Mail.nsf";
  std::ofstream(file, std::ios::binary) << "first";
  const std::string path = file.string();
  const std::optional<FileStamp> scanned = StampOfFile(path);
  ASSERT_TRUE(scanned.has_value());
  EXPECT_EQ(scanned->size, 5u);

  // Read again, the file is the same.
  std::ifstream(file, std::ios::binary).get();
  EXPECT_EQ(StampOfFile(path), scanned);

  // The same size written later.
  std::ofstream(file, std::ios::binary) << "other";
  fs::last_write_time(file, fs::last_write_time(file) + std::chrono::hours(1));
  EXPECT_NE(StampOfFile(path), scanned);

  // Another file put in its place, with the first one's size and time.
  const std::optional<FileStamp> second = StampOfFile(path);
  const fs::path replacement = folder / "new.nsf";
  std::ofstream(replacement, std::ios::binary) << "third";
  fs::last_write_time(replacement, fs::last_write_time(file));
  fs::rename(replacement, file);
  const std::optional<FileStamp> third = StampOfFile(path);
  ASSERT_TRUE(third.has_value());
  EXPECT_EQ(third->size, second->size);
  EXPECT_NE(third, second);

  fs::remove(file);
  EXPECT_FALSE(StampOfFile(path).has_value());
  fs::remove_all(folder);
}

}  // namespace
}  // namespace mailshift
