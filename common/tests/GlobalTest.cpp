#include "common/Global.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <stdexcept>

#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

namespace mailshift {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Sorted(std::vector<std::string> entries) {
  if (!entries.empty()) QuickSort(entries, 0, static_cast<std::ptrdiff_t>(entries.size()) - 1);
  return entries;
}

TEST(QuickSort, OrdersByCodeUnitsWithCapitalsFirst) {
  EXPECT_EQ(Sorted({"b", "B", "a", "A"}), (std::vector<std::string>{"A", "B", "a", "b"}));
  EXPECT_EQ(Sorted({"Projects", "Pro", "P"}), (std::vector<std::string>{"P", "Pro", "Projects"}));
  EXPECT_EQ(Sorted({"A\\C", "A", "A\\B", "A B"}), (std::vector<std::string>{"A", "A B", "A\\B", "A\\C"}));
}

TEST(QuickSort, OrdersSupplementaryCharactersAsUtf16Does) {
  // U+1F600 is a surrogate pair (0xD83D ...) and sorts before U+FFFD and U+E000 in UTF-16.
  const std::string emoji = "\xF0\x9F\x98\x80";
  const std::string replacement = "\xEF\xBF\xBD";
  const std::string privateUse = "\xEE\x80\x80";
  const std::string hangul = "\xED\x9F\xBB";  // U+D7FB, below the surrogates
  EXPECT_EQ(Sorted({replacement, privateUse, emoji, hangul}),
            (std::vector<std::string>{hangul, emoji, privateUse, replacement}));
}

TEST(QuickSort, SortsOnlyTheGivenRange) {
  std::vector<std::string> entries{"z", "c", "b", "a", "y"};
  QuickSort(entries, 1, 3);
  EXPECT_EQ(entries, (std::vector<std::string>{"z", "a", "b", "c", "y"}));
  QuickSort(entries, 4, 4);
  EXPECT_EQ(entries.back(), "y");
  EXPECT_THROW(QuickSort(entries, 0, 5), std::out_of_range);
}

TEST(QuickSort, HandlesListsBeyondSixteenBitIndices) {
  std::vector<std::string> entries;
  for (int i = 0; i < 70000; ++i) entries.push_back("Folder " + std::to_string((i * 7919) % 70000));
  std::vector<std::string> expected = entries;
  std::sort(expected.begin(), expected.end());  // byte order equals code-unit order for ASCII
  EXPECT_EQ(Sorted(entries), expected);

  // Already sorted, reversed and all-equal inputs stay fast and correct.
  std::reverse(entries.begin(), entries.end());
  EXPECT_EQ(Sorted(entries), expected);
  EXPECT_EQ(Sorted(std::vector<std::string>(50000, "same")), std::vector<std::string>(50000, "same"));
}

TEST(RemoveDuplicates, KeepsEachNonEmptyTextOnce) {
  std::vector<std::string> entries{"", "Projects", "Projects", "Work"};
  RemoveDuplicates(entries);
  EXPECT_EQ(entries, (std::vector<std::string>{"Projects", "Work"}));

  entries = {"Work", "work"};
  RemoveDuplicates(entries);
  EXPECT_EQ(entries, (std::vector<std::string>{"Work", "work"}));

  entries = {"A", "A", "A", "B", "B", "C"};
  RemoveDuplicates(entries);
  EXPECT_EQ(entries, (std::vector<std::string>{"A", "B", "C"}));
}

TEST(RemoveDuplicates, ListsWithoutNonEmptyEntriesBecomeEmpty) {
  std::vector<std::string> entries{"", "", ""};
  RemoveDuplicates(entries);
  EXPECT_TRUE(entries.empty());
  RemoveDuplicates(entries);
  EXPECT_TRUE(entries.empty());
}

TEST(RemoveDuplicates, HandlesListsBeyondSixteenBitIndices) {
  std::vector<std::string> entries;
  for (int i = 0; i < 40000; ++i) {
    entries.push_back("F" + std::to_string(100000 + i));
    entries.push_back("F" + std::to_string(100000 + i));
  }
  RemoveDuplicates(entries);
  ASSERT_EQ(entries.size(), 40000u);
  EXPECT_EQ(entries.front(), "F100000");
  EXPECT_EQ(entries.back(), "F139999");
}

TEST(RandomInRange, StaysInRangeAndRepeatsFromTheStart) {
  ResetRandomGenerator();
  const int first = RandomInRange(1, 40000);
  std::set<int> seen{first};
  for (int i = 0; i < 200000; ++i) {
    const int value = RandomInRange(1, 40000);
    ASSERT_GE(value, 1);
    ASSERT_LE(value, 40000);
    seen.insert(value);
  }
  EXPECT_GT(seen.size(), 30000u);  // the draws spread over the range
  ResetRandomGenerator();
  EXPECT_EQ(RandomInRange(1, 40000), first);
  EXPECT_EQ(RandomInRange(5, 5), 5);
}

TEST(RandomInRange, RangesBeyondThirtyTwoBitsAreErrors) {
  EXPECT_THROW(RandomInRange(INT32_MIN, INT32_MAX), std::out_of_range);
  EXPECT_THROW(RandomInRange(-2, INT32_MAX), std::out_of_range);
  EXPECT_THROW(RandomInRange(10, 9), std::out_of_range);
  const int value = RandomInRange(0, INT32_MAX - 1);
  EXPECT_GE(value, 0);
}

class TemporaryFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("mailshift-global-" + std::to_string(::getpid()));
    fs::remove_all(root_);
  }
  void TearDown() override { fs::remove_all(root_); }
  fs::path root_;
};

TEST_F(TemporaryFolder, EnsureFolderExistsCreatesEveryLevel) {
  const fs::path nested = root_ / "Out" / "Db";
  EXPECT_TRUE(EnsureFolderExists(nested.string()));
  EXPECT_TRUE(fs::is_directory(nested));
  EXPECT_TRUE(EnsureFolderExists(nested.string()));
  EXPECT_TRUE(EnsureFolderExists(nested.string() + "/"));

  std::ofstream(root_ / "file") << "x";
  EXPECT_FALSE(EnsureFolderExists((root_ / "file").string()));
  EXPECT_FALSE(EnsureFolderExists((root_ / "file" / "below").string()));
  EXPECT_FALSE(EnsureFolderExists(""));
}

TEST(GetTempFolder, EndsInTheSeparator) {
  const std::string folder = GetTempFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), kPathSeparator);
  EXPECT_TRUE(fs::is_directory(folder));
}

class ScriptedPicker : public FolderPicker {
 public:
  explicit ScriptedPicker(std::string answer, bool fail = false) : answer_(std::move(answer)), fail_(fail) {}
  std::string PickFolder(std::intptr_t, const std::string& title) override {
    lastTitle = title;
    if (fail_) throw std::runtime_error("dialog broke");
    return answer_;
  }
  std::string lastTitle;

 private:
  std::string answer_;
  bool fail_;
};

TEST(BrowseForFolder, AnswersWithThePickersChoiceOrNothing) {
  SetFolderPicker(nullptr);
  EXPECT_EQ(BrowseForFolder(0, "Title"), "");

  ScriptedPicker chosen("/mnt/d/");
  SetFolderPicker(&chosen);
  EXPECT_EQ(BrowseForFolder(0, "Select Path to Save PST File"), "/mnt/d/");
  EXPECT_EQ(chosen.lastTitle, "Select Path to Save PST File");

  ScriptedPicker cancelled("");
  SetFolderPicker(&cancelled);
  EXPECT_EQ(BrowseForFolder(0, "Title"), "");

  ScriptedPicker broken("/never", true);
  SetFolderPicker(&broken);
  EXPECT_EQ(BrowseForFolder(0, "Title"), "");
  SetFolderPicker(nullptr);
}

}  // namespace
}  // namespace mailshift
