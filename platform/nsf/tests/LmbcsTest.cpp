#include <gtest/gtest.h>

#include <random>
#include <string>

#include "common/Utf8.h"
#include "platform/nsf/Lmbcs.h"

namespace mailshift::nsf {
namespace {

using namespace std::string_literals;

struct LmbcsCase {
  const char* what;
  std::string lmbcs;
  std::string utf8;
};

const std::string kReplacement = "\xEF\xBF\xBD";

// One or more characters of every group, written as Notes writes them, beside their UTF-8.
const LmbcsCase kGroups[] = {
    {"ASCII and line ends pass", "Hi,\tyou\r\n", "Hi,\tyou\r\n"},
    {"a high byte alone is the Latin page", "caf\x82", "caf\xC3\xA9"},
    {"group 0x01 upper half", "\x01\x82\x01\x9C", "\xC3\xA9\xC2\xA3"},
    {"group 0x01 lower half: pilcrow, section, no-break space, ij", "\x01\x14\x01\x15\x01\x3B\x01\x60",
     "\xC2\xB6\xC2\xA7\xC2\xA0\xC4\xB3"},
    {"group 0x02 Greek", "\x02\xD5", "\xCE\xA9"},
    {"group 0x03 Hebrew", "\x03\xF9", "\xD7\xA9"},
    {"group 0x04 Arabic", "\x04\xDA", "\xD8\xB9"},
    {"group 0x05 Cyrillic", "\x05\xC6", "\xD0\x96"},
    {"group 0x06 Latin-2 and its lower half", "\x06\xFD\x06\x01\x06\x2E", "\xC5\x99\xC4\x81\xC4\x80"},
    {"group 0x08 Turkish", "\x08\xF0", "\xC4\x9F"},
    {"group 0x0B Thai", "\x0B\xA1", "\xE0\xB8\x81"},
    {"group 0x10 Japanese pair and half-width single byte", "\x10\x93\xFA\x10\x96\x7B\x10\xB1",
     "\xE6\x97\xA5\xE6\x9C\xAC\xEF\xBD\xB1"},
    {"group 0x11 Korean", "\x11\xC7\xD1\x11\xB1\xB9", "\xED\x95\x9C\xEA\xB5\xAD"},
    {"group 0x12 Chinese, traditional", "\x12\xC1\x63\x12\xC5\xE9", "\xE7\xB9\x81\xE9\xAB\x94"},
    {"group 0x13 Chinese, simplified", "\x13\xC7\xEB\x13\xC8\xE7\x13\xCA\xB5",
     "\xE8\xAF\xB7\xE5\xA6\x82\xE5\xAE\x9E"},
    {"group 0x14 UTF-16 unit", "\x14\x20\xAC", "\xE2\x82\xAC"},
    {"group 0x14 zero high byte written as 0xF6", "\x14\xF6\xE9", "\xC3\xA9"},
    {"group 0x14 surrogate pair", "\x14\xD8\x3D\x14\xDE\x00"s, "\xF0\x9F\x98\x80"},
    // A form label of sample.nsf: Chinese written partly in the Japanese page, partly in the
    // simplified Chinese one, as Notes chooses the first page that holds a character.
    {"sample.nsf: default for expired documents",
     "\x10\x93\x9E\x10\x8A\xFA\x10\x95\xB6\x10\x9E\x83\x10\x93\x49\x10\xE3\x9E\x10\x8F\xC8\x13\xC9\xE8\x13"
     "\xD6\xC3",
     "\xE5\x88\xB0\xE6\x9C\x9F\xE6\x96\x87\xE6\xA1\xA3\xE7\x9A\x84\xE7\xBC\xBA\xE7\x9C\x81\xE8\xAE\xBE\xE7"
     "\xBD\xAE"},
    {"sample.nsf: please fill in truthfully",
     "\x13\xC7\xEB\x13\xC8\xE7\x13\xCA\xB5\x13\xCC\xEE\x13\xD0\xB4\x13\xCF\xC2\x13\xC1\xD0\x13\xB8\xF7\x13"
     "\xCF\xEE\x13\xA3\xBA",
     "\xE8\xAF\xB7\xE5\xA6\x82\xE5\xAE\x9E\xE5\xA1\xAB\xE5\x86\x99\xE4\xB8\x8B\xE5\x88\x97\xE5\x90\x84\xE9"
     "\xA1\xB9\xEF\xBC\x9A"},
};

// Cut, unknown or unmapped sequences: each becomes U+FFFD and the text after it is kept.
const LmbcsCase kBroken[] = {
    {"group byte at the end", "ab\x13", "ab" + kReplacement},
    {"double-byte lead without its trail", "a\x13\xC7", "a" + kReplacement},
    {"UTF-16 unit cut", "\x14\x20", kReplacement},
    {"unknown group takes its one byte", "\x07\x41z", kReplacement + "z"},
    {"lone high surrogate",
     "\x14\xD8\x3D"
     "A",
     kReplacement + "A"},
    {"lone low surrogate",
     "\x14\xDC\x00"
     "A"s,
     kReplacement + "A"},
    {"a zero byte is a line break", "a\0b"s, "a\nb"},
    {"single-byte group before ASCII it does not extend",
     "\x05\x41"
     "b",
     kReplacement + "b"},
};

class LmbcsGroups : public testing::TestWithParam<LmbcsCase> {};

TEST_P(LmbcsGroups, DecodesToUtf8) {
  const LmbcsCase& c = GetParam();
  EXPECT_EQ(LmbcsToUtf8(c.lmbcs), c.utf8) << c.what;
}

INSTANTIATE_TEST_SUITE_P(EveryGroup, LmbcsGroups, testing::ValuesIn(kGroups));
INSTANTIATE_TEST_SUITE_P(BrokenSequences, LmbcsGroups, testing::ValuesIn(kBroken));

TEST(Lmbcs, RandomBytesAlwaysGiveValidUtf8) {
  std::mt19937 random(28);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int round = 0; round < 2000; ++round) {
    std::string lmbcs(static_cast<std::size_t>(byte(random) % 40), '\0');
    for (char& c : lmbcs) c = static_cast<char>(byte(random));
    const std::string utf8 = LmbcsToUtf8(lmbcs);
    ASSERT_TRUE(IsValidUtf8(utf8)) << "round " << round;
    ASSERT_LE(utf8.size(), lmbcs.size() * 3) << "round " << round;
  }
}

}  // namespace
}  // namespace mailshift::nsf
