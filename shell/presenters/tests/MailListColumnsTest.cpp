// The message list's header format and its order by a column.
#include <gtest/gtest.h>

#include "common/Controls.h"
#include "shell/presenters/MailListColumns.h"
#include "shell/presenters/ShellTexts.h"

namespace mailshift::shell {
namespace {

TEST(MailListColumns, HeaderFormatGivesCaptionsWidthsAndAlignments) {
  const auto columns = ParseHeaderFormat(text::kMailListHeaderFormat);
  ASSERT_EQ(columns.size(), 4u);
  EXPECT_EQ(columns[0].caption, "From/To");
  EXPECT_EQ(columns[1].caption, "Subject");
  EXPECT_EQ(columns[2].caption, "Size");
  EXPECT_EQ(columns[3].caption, "Date");
  EXPECT_EQ(columns[0].width, 150);
  EXPECT_EQ(columns[1].width, 240);
  EXPECT_EQ(columns[2].width, 52);
  EXPECT_EQ(columns[3].width, 150);
  EXPECT_EQ(columns[2].alignment, ColumnAlignment::Right);
  for (const int plain : {0, 1, 3})
    EXPECT_EQ(columns[static_cast<std::size_t>(plain)].alignment, ColumnAlignment::Left);
  EXPECT_EQ(ParseHeaderFormat("A;10;1").front().alignment, ColumnAlignment::Centre);
}

TEST(MailListColumns, MalformedHeaderFormatsAreErrors) {
  for (const char* format :
       {"Subject;wide;0", "Subject;240", ";240;0", "Subject;240;7", "Subject;0;0", "A;10;0|B;x;0"}) {
    EXPECT_THROW(ParseHeaderFormat(format), ControlError) << format;
  }
}

TEST(MailListColumns, RowsSortByWhatTheirCellsMean) {
  const std::vector<std::vector<std::string>> rows{
      {"bob", "Zeta", "12 KB", "01/02/2008 10:00:00"},
      {"Ann", "alpha", "2 KB", "01/01/2008 10:00:00"},
      {"carl", "Beta", "100 KB", "12/31/2007 10:00:00"},
  };
  EXPECT_EQ(SortedRows(rows, 0, false), (std::vector<std::size_t>{1, 0, 2}));
  EXPECT_EQ(SortedRows(rows, 1, false), (std::vector<std::size_t>{1, 2, 0}));
  EXPECT_EQ(SortedRows(rows, 2, false), (std::vector<std::size_t>{1, 0, 2}));
  EXPECT_EQ(SortedRows(rows, 2, true), (std::vector<std::size_t>{2, 0, 1}));
}

}  // namespace
}  // namespace mailshift::shell
