#include "common/TextRules.h"

#include <gtest/gtest.h>

namespace mailshift {
namespace {

TEST(Trim, RemovesOnlySpaces) {
  EXPECT_EQ(Trim("  Projects  "), "Projects");
  EXPECT_EQ(Trim("\tTab\t"), "\tTab\t");
  EXPECT_EQ(Trim(" \r\nline\r\n "), "\r\nline\r\n");
  EXPECT_EQ(Trim("    "), "");
  EXPECT_EQ(Trim(""), "");
}

TEST(NameCleaning, RemovesOrReplacesTheNineCharacters) {
  EXPECT_EQ(RemoveNameCharacters("Re: Q1/Q2 report?"), "Re Q1Q2 report");
  EXPECT_EQ(RemoveNameCharacters(":?\\/*\"<>|"), "");
  EXPECT_EQ(RemoveNameCharacters(" a\tb. "), " a\tb. ");
  EXPECT_EQ(ReplaceNameCharacters("Projects\\2008"), "Projects-2008");
  EXPECT_EQ(ReplaceNameCharacters("a:b?c\\d/e*f\"g<h>i|j"), "a-b-c-d-e-f-g-h-i-j");
  EXPECT_EQ(ReplaceNameCharacters("Grüße"), "Grüße");
}

TEST(SplitAndJoin, KeepEmptyPieces) {
  EXPECT_EQ(Split("a;;b", ';'), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(Split("", ';'), (std::vector<std::string>{""}));
  EXPECT_EQ(Split("|", '|'), (std::vector<std::string>{"", ""}));
  EXPECT_EQ(Join({"a", "", "b"}, ";"), "a;;b");
  EXPECT_EQ(Join({}, ";"), "");
}

TEST(CompareOrdinal, IsCaseSensitiveAndPrefixFirst) {
  EXPECT_LT(CompareOrdinal("B", "a"), 0);
  EXPECT_LT(CompareOrdinal("Pro", "Projects"), 0);
  EXPECT_GT(CompareOrdinal("b", "B"), 0);
  EXPECT_EQ(CompareOrdinal("Same", "Same"), 0);
  EXPECT_LT(CompareOrdinal("", "a"), 0);
}

}  // namespace
}  // namespace mailshift
