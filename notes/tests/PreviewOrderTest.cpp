#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "common/DateText.h"
#include "notes/PreviewOrder.h"

namespace mailshift::notes {
namespace {

std::vector<std::string> Sorted(int column, std::vector<std::string> cells) {
  std::stable_sort(cells.begin(), cells.end(), [column](const std::string& a, const std::string& b) {
    return PreviewCellSortKey(column, a) < PreviewCellSortKey(column, b);
  });
  return cells;
}

TEST(PreviewOrderTest, SizesSortByTheirNumber) {
  EXPECT_EQ(Sorted(kSizeColumn, {"10 KB", "9 KB", "0 KB", "100 KB", "2 KB"}),
            (std::vector<std::string>{"0 KB", "2 KB", "9 KB", "10 KB", "100 KB"}));
  // Cells that are no size come first, by their text.
  EXPECT_EQ(Sorted(kSizeColumn, {"3 KB", "", "KB", "-1 KB", "x KB"}),
            (std::vector<std::string>{"", "KB", "x KB", "-1 KB", "3 KB"}));
}

TEST(PreviewOrderTest, DatesSortByTheirInstantNotTheirText) {
  const DateTime early{1225895400, 0};  // 2008-11-05 14:30 UTC
  const DateTime later{early.secondsSinceEpoch + 86400 * 40, 0};
  const DateTime latest{early.secondsSinceEpoch + 86400 * 400, 0};
  const std::vector<std::string> cells{DateText(latest), DateText(early), "", DateText(later)};
  EXPECT_EQ(Sorted(kDateColumn, cells),
            (std::vector<std::string>{"", DateText(early), DateText(later), DateText(latest)}));
}

TEST(PreviewOrderTest, TextsSortWithoutRegardToCaseAndKeepAFixedOrderForEqualOnes) {
  EXPECT_EQ(Sorted(kSubjectColumn, {"beta", "Alpha", "alpha", "Beta", ""}),
            (std::vector<std::string>{"", "Alpha", "alpha", "Beta", "beta"}));
  EXPECT_EQ(Sorted(kFromToColumn, {"Zoe", "ann lee", "Bob"}),
            (std::vector<std::string>{"ann lee", "Bob", "Zoe"}));
}

}  // namespace
}  // namespace mailshift::notes
