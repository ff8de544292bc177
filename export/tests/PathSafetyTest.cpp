#include <gtest/gtest.h>

#include <string>
#include <vector>

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

// The same text as the headers show it: broken UTF-8 repaired to U+FFFD, never raw bytes on disk.
TEST(OutputFolderName, RepairsBrokenUtf8AsTheHeadersDo) {
  EXPECT_EQ(OutputFolderName("Caf\xE9 \xC3\xA9t\xE9"), "Caf\xEF\xBF\xBD \xC3\xA9t\xEF\xBF\xBD");
  EXPECT_EQ(OutputFolderName("\xFF\xFE"), "\xEF\xBF\xBD\xEF\xBF\xBD");
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

// Names read back from a manifest: only those the export could have made are used.
TEST(IsPlainOutputName, TakesOnlyOneNameTheExportCouldHaveMade) {
  const FileNameRules posix{255, false, false};
  const FileNameRules windows{255, true, true};
  struct Case {
    std::string name;
    bool onPosix;
    bool onWindows;
  };
  const std::vector<Case> cases{
      {"Inbox", true, true},
      {"Hello 123.eml", true, true},
      {"Projects-2008", true, true},
      {"...", true, false},
      {" . ", true, false},
      {"caf\xC3\xA9.eml", true, true},
      {"", false, false},
      {".", false, false},
      {"..", false, false},
      {"../../../../victim/precious.txt", false, false},
      {"/etc/hostname", false, false},
      {"..\\..\\Windows\\win.ini", false, false},
      {"C:\\Windows\\win.ini", false, false},
      {"C:win.ini", false, false},
      {"Inbox/..", false, false},
      {std::string("a\0b.eml", 7), false, false},
      {"a\rb.eml", false, false},
      {"a\x1B[2Jb.eml", false, false},
      {"a\x7F.eml", false, false},
      {"a\xC2\x9B.eml", false, false},
      {"CON", true, false},
      {"nul.eml", true, false},
      {"COM1.txt", true, false},
      {"LPT9", true, false},
      {"CONSOLE.eml", true, true},
      {std::string(255, 'x'), true, true},
      {std::string(256, 'x'), false, false},
      // 200 characters of two bytes: too long in bytes, not in UTF-16 units.
      {[] {
         std::string name;
         for (int i = 0; i < 200; ++i) name += "\xC3\xA9";
         return name;
       }(),
       false, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsPlainOutputName(c.name, posix), c.onPosix) << c.name;
    EXPECT_EQ(IsPlainOutputName(c.name, windows), c.onWindows) << c.name;
  }
}

// Whatever the cleaning functions make passes.
TEST(IsPlainOutputName, TakesEveryNameTheCleaningMakes) {
  for (const char* raw : {"Projects\\2008", "../../etc", " .. ", "", "a\x1B]0;x\x07b", "C:\\x\\y.pdf"}) {
    EXPECT_TRUE(IsPlainOutputName(OutputFolderName(raw))) << raw;
    EXPECT_TRUE(IsPlainOutputName(AttachmentFileName(raw))) << raw;
  }
}

}  // namespace
}  // namespace mailshift::mail
