#include <gtest/gtest.h>

#include "export/MessageFileName.h"

namespace mailshift::mail {
namespace {

const FileNameRules kLinux{255, false, false};
const FileNameRules kWindows{255, true, true};

TEST(MessageFileName, JoinsSubjectAndTailWhenTheyFit) {
  EXPECT_EQ(MessageFileName("Re Q1Q2 report", "123.eml", kLinux), "Re Q1Q2 report123.eml");
  EXPECT_EQ(MessageFileName("", "9.eml", kLinux), "9.eml");
  EXPECT_EQ(MessageFileName("  spaced  ", "9.eml", kLinux), "  spaced  9.eml");
}

TEST(MessageFileName, DropsControlCharacters) {
  EXPECT_EQ(MessageFileName(std::string("a\tb\r\nc\x1b") + '\0' + "d\x7f", "1.eml", kLinux), "abcd1.eml");
}

// A name shows as it is: no C1 control, no byte that is no character, no mark that turns the
// text around ("invoice\u202Efdp.exe" would show as "invoiceexe.pdf").
TEST(MessageFileName, DropsC1ControlsStrayBytesAndDirectionMarks) {
  EXPECT_EQ(MessageFileName("a\xC2\x85"
                            "b\xC2\x9F"
                            "c\xC2\xA0"
                            "d",
                            "1.eml", kLinux),
            "abc\xC2\xA0"
            "d1.eml");
  EXPECT_EQ(MessageFileName("x\xFFy\x80z\xC3", "1.eml", kLinux), "xyz1.eml");
  EXPECT_EQ(MessageFileName("invoice\xE2\x80\xAE"
                            "fdp.exe",
                            "1.eml", kLinux),
            "invoicefdp.exe1.eml");
  EXPECT_EQ(MessageFileName("\xE2\x80\x8E"
                            "a\xE2\x81\xA6"
                            "b\xE2\x81\xA9"
                            "c\xE2\x80\x94",
                            "1.eml", kLinux),
            "abc\xE2\x80\x94"
            "1.eml");
}

TEST(MessageFileName, CutsTheSubjectAtACharacterBoundaryToTheByteLimit) {
  std::string subject;
  for (int i = 0; i < 100; ++i) subject += "\xE2\x82\xAC";  // "€", three bytes
  const std::string name = MessageFileName(subject, "40000.eml", kLinux);
  EXPECT_EQ(name.size(), 246u + 9u);  // 82 whole characters
  EXPECT_EQ(name.substr(246), "40000.eml");
  EXPECT_EQ(name.substr(0, 246), subject.substr(0, 246));
}

TEST(MessageFileName, CountsUtf16UnitsWhereTheSystemDoes) {
  std::string subject;
  for (int i = 0; i < 200; ++i) subject += "\xF0\x9F\x93\xA7";  // an envelope emoji, two UTF-16 units
  const std::string name = MessageFileName(subject, "1.eml", kWindows);
  EXPECT_EQ(name.size(), 125u * 4 + 5);  // 250 units of subject + 5 of tail
}

TEST(MessageFileName, KeepsAStrayByteAsOneCharacter) {
  const std::string subject = std::string(252, 'a') + "\xC3";
  EXPECT_EQ(MessageFileName(subject, "7.eml", kLinux), std::string(250, 'a') + "7.eml");
}

TEST(MessageFileName, ATailAtTheLimitLeavesNoSubject) {
  const std::string tail = std::string(251, 'n') + ".eml";
  EXPECT_EQ(MessageFileName("subject", tail, kLinux), tail);
}

TEST(MessageFileName, AvoidsWindowsDeviceNames) {
  EXPECT_EQ(MessageFileName("COM", "5.eml", kWindows), "COM_5.eml");
  EXPECT_EQ(MessageFileName("lpt", "3.eml", kWindows), "lpt_3.eml");
  EXPECT_EQ(MessageFileName("COM", "12.eml", kWindows), "COM12.eml");
  EXPECT_EQ(MessageFileName("AUX", "1.eml", kWindows), "AUX1.eml");
  EXPECT_EQ(MessageFileName("COM", "5.eml", kLinux), "COM5.eml");
}

TEST(MessageFileName, PrintableAsciiOnlyKeepsWhatEveryFileSystemTakes) {
  EXPECT_EQ(PrintableAsciiOnly("Gr\xC3\xBC\xC3\x9F"
                               "e \xE6\x97\xA5 a\tb~"),
            "Gre  ab~");
}

TEST(MessageFileName, CutAtCharacterNeverSplitsACharacter) {
  EXPECT_EQ(CutAtCharacter("a\xC3\xA4\xC3\xB6", 4), "a\xC3\xA4");
  EXPECT_EQ(CutAtCharacter("a\xC3\xA4\xC3\xB6", 5), "a\xC3\xA4\xC3\xB6");
  EXPECT_EQ(CutAtCharacter("abc", 0), "");
}

}  // namespace
}  // namespace mailshift::mail
