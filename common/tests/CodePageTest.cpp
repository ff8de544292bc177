#include "common/CodePage.h"

#include <gtest/gtest.h>

namespace mailshift {
namespace {

TEST(CodePage, ConvertsToEightBitCodePages) {
  EXPECT_EQ(ToCodePage("Grüße", "CP1252"), "Gr\xFC\xDF" "e");
  EXPECT_EQ(ToCodePage("plain ASCII", "CP1252"), "plain ASCII");
  EXPECT_EQ(ToCodePage("Grüße", "UTF-8"), "Grüße");
}

TEST(CodePage, UnrepresentableCharactersBecomeQuestionMarks) {
  EXPECT_EQ(ToCodePage("a\xE6\x97\xA5z", "CP1252"), "a?z");          // a CJK character
  EXPECT_EQ(ToCodePage("a\xF0\x9F\x98\x80z", "ISO-8859-1"), "a?z");  // an emoji
  EXPECT_EQ(ToCodePage("a\xFFz", "CP1252"), "a?z");                  // a broken byte
}

}  // namespace
}  // namespace mailshift
