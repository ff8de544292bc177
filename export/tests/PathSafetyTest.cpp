#include <gtest/gtest.h>

#include "export/PathSafety.h"

namespace mailshift::mail {
namespace {

TEST(OutputFolderName, FlattensNotesFoldersIntoOneCleanedName) {
  EXPECT_EQ(OutputFolderName("Projects\\2008"), "Projects-2008");
  EXPECT_EQ(OutputFolderName("a:b?c\\d/e*f\"g<h>i|j"), "a-b-c-d-e-f-g-h-i-j");
  EXPECT_EQ(OutputFolderName("  Mail  "), "Mail");
  EXPECT_EQ(OutputFolderName("../../etc"), "..-..-etc");
  EXPECT_EQ(OutputFolderName(std::string("a\0b", 3)), "a-b");
  // No control character reaches a name on disk.
  EXPECT_EQ(OutputFolderName("Clear\x1B[2J\tline\r\nbreak\x7F\xC2\x9Bx"), "Clear-[2J-line--break--x");
}

TEST(OutputFolderName, NeverNamesNothingOrTheFolderItselfOrItsParent) {
  EXPECT_EQ(OutputFolderName(""), "_");
  EXPECT_EQ(OutputFolderName("   "), "_");
  EXPECT_EQ(OutputFolderName("."), "_");
  EXPECT_EQ(OutputFolderName(" .. "), "__");
  EXPECT_EQ(OutputFolderName("..."), "...");  // an ordinary name
}

TEST(OutputFolderName, KeepsWithinOneNameOfTheFileSystem) {
  const std::string longName(300, 'x');
  EXPECT_EQ(OutputFolderName(longName).size(), 255u);
  std::string accented;
  for (int i = 0; i < 200; ++i) accented += "\xC3\xA9";  // 400 bytes of U+00E9
  const std::string cut = OutputFolderName(accented);
  EXPECT_EQ(cut.size(), 254u);  // not in the middle of a character
}

TEST(AttachmentFileName, KeepsOnlyAPlainFileName) {
  EXPECT_EQ(AttachmentFileName("plan.xls"), "plan.xls");
  EXPECT_EQ(AttachmentFileName("../../.ssh/authorized_keys"), "authorized_keys");
  EXPECT_EQ(AttachmentFileName("C:\\Windows\\win.ini"), "win.ini");
  EXPECT_EQ(AttachmentFileName("/etc/passwd"), "passwd");
  EXPECT_EQ(AttachmentFileName("what?*<now>:\".txt"), "whatnow.txt");
  EXPECT_EQ(AttachmentFileName(std::string("a\0b.txt", 7)), "ab.txt");
  EXPECT_EQ(AttachmentFileName("re\x1B]0;x\x07port\r\n.pdf"), "re]0;xport.pdf");
  EXPECT_EQ(AttachmentFileName(" spaced .doc"), " spaced .doc");
}

TEST(AttachmentFileName, NeverNamesNothingOrTheFolderItselfOrItsParent) {
  EXPECT_EQ(AttachmentFileName(""), "_");
  EXPECT_EQ(AttachmentFileName("dir/"), "_");
  EXPECT_EQ(AttachmentFileName(".."), "__");
  EXPECT_EQ(AttachmentFileName("x/."), "_");
  EXPECT_EQ(AttachmentFileName("|"), "_");
}

TEST(AttachmentFileName, ShortensLongNamesButKeepsTheExtension) {
  const std::string name = AttachmentFileName(std::string(400, 'n') + ".pdf");
  EXPECT_EQ(name.size(), 255u);
  EXPECT_EQ(name.substr(name.size() - 4), ".pdf");
}

}  // namespace
}  // namespace mailshift::mail
