#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/Utf8.h"

namespace mailshift {
namespace {

struct Expected {
  std::string bytes;
  char32_t code;
  std::size_t length;
  bool whole;
  bool valid;
};

// The one reading of broken sequences every caller starts from.
TEST(Utf8, ReadsEachKindOfBrokenSequenceAsOneStep) {
  const std::vector<Expected> cases = {
      {"a", U'a', 1, true, true},
      {"\xC3\xA4", U'\u00E4', 2, true, true},
      {"\xF0\x9F\x93\xA7", U'\U0001F4E7', 4, true, true},
      {"\x80x", 0xFFFD, 1, false, false},             // a continuation byte alone
      {"\xC0\xAF", 0xFFFD, 1, false, false},          // 0xC0 and 0xC1 begin nothing
      {"\xF5\x80\x80\x80", 0xFFFD, 1, false, false},  // neither do 0xF5 to 0xFF
      {"\xE2\x82", 0xFFFD, 2, false, false},          // cut at the end
      {"\xE2\x82x", 0xFFFD, 2, false, false},         // cut by another character
      {"\xE0\x80\xAF", 0xFFFD, 3, true, false},       // overlong
      {"\xED\xA0\x80", 0xFFFD, 3, true, false},       // a surrogate
      {"\xF4\x90\x80\x80", 0xFFFD, 4, true, false},   // beyond U+10FFFF
  };
  for (const Expected& c : cases) {
    const Utf8Step step = ReadUtf8(c.bytes, 0);
    EXPECT_EQ(step.code, c.code) << c.bytes;
    EXPECT_EQ(step.length, c.length) << c.bytes;
    EXPECT_EQ(step.whole, c.whole) << c.bytes;
    EXPECT_EQ(step.valid, c.valid) << c.bytes;
    EXPECT_EQ(Utf8CharacterLength(c.bytes, 0), c.whole ? c.length : 1u) << c.bytes;
  }
  EXPECT_EQ(CutUtf8("a\xC3\xA4z", 2), "a");
  EXPECT_EQ(CutUtf8("a\xC3\xA4z", 3), "a\xC3\xA4");
  EXPECT_EQ(CutUtf8("ab", 5), "ab");
}

TEST(Utf8, ValidUtf8ReplacesOnlyBrokenSequences) {
  const std::string valid = "a\xC3\xA4\xE2\x82\xAC\xF0\x9F\x93\xA7";
  EXPECT_EQ(ValidUtf8(valid), valid);
  EXPECT_TRUE(IsValidUtf8(valid + "eight ascii bytes and more"));
  EXPECT_FALSE(IsValidUtf8("eight ascii bytes\xC3"));
  EXPECT_EQ(ValidUtf8("a\xC3"), "a\xEF\xBF\xBD");
  EXPECT_EQ(ValidUtf8("\xC0\xAF"), "\xEF\xBF\xBD\xEF\xBF\xBD");                  // overlong
  EXPECT_EQ(ValidUtf8("\xED\xA0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");  // surrogate
  EXPECT_EQ(ValidUtf8("\xF4\x90\x80\x80x").substr(12), "x");                     // beyond U+10FFFF
}

}  // namespace
}  // namespace mailshift
