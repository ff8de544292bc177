// The Windows forms of the export's file operations, run under Wine in the cross build: paths
// with characters outside the ANSI code page, files made new only, names never replaced, links
// never followed, the private folder and the log held by one run.
#include <aclapi.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/Global.h"
#include "export/ExportManifest.h"
#include "export/LogFile.h"
#include "export/SafeFiles.h"

namespace mailshift::mail {
namespace {

namespace fs = std::filesystem;

// The current user and the system account.
class OwnSids {
 public:
  OwnSids() {
    HANDLE token = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
    DWORD size = sizeof user_;
    GetTokenInformation(token, TokenUser, user_, size, &size);
    CloseHandle(token);
    size = sizeof system_;
    CreateWellKnownSid(WinLocalSystemSid, nullptr, system_, &size);
  }
  PSID user() const { return reinterpret_cast<const TOKEN_USER*>(user_)->User.Sid; }
  PSID system() const { return const_cast<unsigned char*>(system_); }

 private:
  alignas(TOKEN_USER) unsigned char user_[256] = {};
  alignas(void*) unsigned char system_[SECURITY_MAX_SID_SIZE] = {};
};

// A scratch folder whose own name holds characters of three scripts.
class WindowsFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = GetTempFolder() + "mailshift-J\xC3\xB6rg-\xD0\x9F\xD0\xBE\xD1\x87\xD1\x82\xD0\xB0-" +
            std::to_string(GetCurrentProcessId());
    ASSERT_EQ(MakeFolderNoFollow(root_), "");
    root_ += '\\';
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(FilePath(root_), ignored);
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(FilePath(path), std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
  }
  static void Write(const std::string& path, const std::string& text) {
    std::ofstream(FilePath(path), std::ios::binary) << text;
  }
  std::string root_;
};

TEST_F(WindowsFiles, NamesOutsideTheAnsiCodePageReachTheDiskAsTheyAre) {
  const std::string folder = root_ + "Zo\xC3\xAB";
  ASSERT_EQ(MakeFolderNoFollow(folder), "");
  const std::string name = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xF0\x9F\x98\x80.eml";
  const std::string path = folder + "\\" + name;
  OpenedFolder opened;
  ASSERT_EQ(opened.Open(folder + "\\"), 0);
  int error = -1;
  std::FILE* file = opened.CreateNewFile(name, error);
  ASSERT_NE(file, nullptr) << std::strerror(error);
  std::fputs("line\r\n", file);
  std::fclose(file);
  // Looked up through the wide API by the names as Windows spells them.
  const std::wstring wide = fs::path(FilePath(root_)).wstring() +
                            L"Zo\u00EB\\\u041F\u0440\u0438\u0432\u0435\u0442 "
                            L"\U0001F600.eml";
  EXPECT_NE(GetFileAttributesW(wide.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(Read(path), "line\r\n");  // binary: no line end is changed
  EXPECT_EQ(WritableFolderProblem(folder), "");
  EXPECT_EQ(fs::directory_iterator(FilePath(folder))->path().filename().wstring(),
            L"\u041F\u0440\u0438\u0432\u0435\u0442 \U0001F600.eml");  // the probe file is gone again
}

TEST_F(WindowsFiles, NamesDifferingInCaseOnlyAreOneName) {
  EXPECT_TRUE(
      SameName("Mail - Ann L\xC3\xA9"
               "e",
               "MAIL - ANN L\xC3\x89"
               "E"));
  EXPECT_TRUE(
      SameName("\xD0\x9F\xD0\xBE\xD1\x87\xD1\x82\xD0\xB0", "\xD0\xBF\xD0\x9E\xD0\xA7\xD0\xA2\xD0\x90"));
  EXPECT_FALSE(SameName("Inbox", "Inbox2"));
  EXPECT_FALSE(SameName("Zo\xC3\xAB", "Zoe"));
}

TEST_F(WindowsFiles, ANewFileNeverOpensAnExistingOne) {
  const std::string path = root_ + "taken.eml";
  Write(path, "mine");
  OpenedFolder opened;
  ASSERT_EQ(opened.Open(root_), 0);
  int error = 0;
  EXPECT_EQ(opened.CreateNewFile("taken.eml", error), nullptr);
  EXPECT_EQ(error, EEXIST);
  EXPECT_EQ(Read(path), "mine");
}

TEST_F(WindowsFiles, ARenameNeverReplacesAFile) {
  Write(root_ + "a.part", "new");
  Write(root_ + "b.eml", "old");
  OpenedFolder opened;
  ASSERT_EQ(opened.Open(root_), 0);
  EXPECT_EQ(opened.RenameNoReplace("a.part", "b.eml"), EEXIST);
  EXPECT_EQ(Read(root_ + "b.eml"), "old");
  EXPECT_EQ(Read(root_ + "a.part"), "new");
  EXPECT_EQ(opened.RenameNoReplace("a.part", "c.eml"), 0);
  EXPECT_EQ(Read(root_ + "c.eml"), "new");
  EXPECT_FALSE(fs::exists(FilePath(root_ + "a.part")));
}

TEST_F(WindowsFiles, AFolderIsNotMadeOverAFileNorIntoAMissingParent) {
  Write(root_ + "Inbox", "a file");
  EXPECT_EQ(MakeFolderNoFollow(root_ + "Inbox"), "something that is not a folder has its name");
  EXPECT_EQ(MakeFolderNoFollow(root_ + "missing\\Inbox"), "No such file or directory");
  EXPECT_EQ(WritableFolderProblem(root_ + "Inbox"), "it is not a folder");
  EXPECT_EQ(MakeFolderNoFollow(root_ + "Sent"), "");
  EXPECT_EQ(MakeFolderNoFollow(root_ + "Sent"), "");  // there already: fine
}

TEST_F(WindowsFiles, ALinkInPlaceOfAFolderIsNotFollowed) {
  const std::string elsewhere = root_ + "elsewhere";
  ASSERT_EQ(MakeFolderNoFollow(elsewhere), "");
  const std::string link = root_ + "Inbox";
  if (!CreateSymbolicLinkW(fs::path(FilePath(link)).c_str(), fs::path(FilePath(elsewhere)).c_str(),
                           SYMBOLIC_LINK_FLAG_DIRECTORY)) {
    GTEST_SKIP() << "this system makes no symbolic links here (error " << GetLastError() << ")";
  }
  if (GetFileAttributesW(fs::path(FilePath(link)).c_str()) == INVALID_FILE_ATTRIBUTES) {
    // Wine 8 says it made the link and makes none; links the host makes show as reparse points
    // there and are tried by the command line's test instead.
    GTEST_SKIP() << "the link was not made";
  }
  EXPECT_EQ(MakeFolderNoFollow(link), "it is a link, which is not followed");
}

// A manifest line is used only when its folder and file are plain names in the output root: no
// "..", no drive or separator, no device name, whatever way Windows writes them.
TEST_F(WindowsFiles, AManifestLineNamingAPathOrADeviceIsIgnored) {
  const std::string id = "0123456789ABCDEF0123456789ABCDEF";
  const std::vector<std::pair<std::string, std::string>> unsafe{{"Inbox", "..\\..\\victim\\precious.txt"},
                                                                {"Inbox", "C:\\Windows\\win.ini"},
                                                                {"Inbox", "C:win.ini"},
                                                                {"Inbox", "../precious.txt"},
                                                                {"Inbox", "CON.eml"},
                                                                {"Inbox", "lpt1"},
                                                                {"..", "a.eml"},
                                                                {"Inbox\\..", "a.eml"},
                                                                {"...", "a.eml"},
                                                                {"Inbox", "a\x1B.eml"}};
  std::string content = "Corvane Mailshift export manifest 1\r\n";
  for (const auto& [folder, file] : unsafe) content += folder + "\t" + id + "\t" + file + "\t8\r\n";
  content += "Inbox\t" + id + "\tplain.eml\t8\r\n";
  Write(root_ + "Mailshift-Manifest.txt", content);
  OpenedFolder root;
  ASSERT_EQ(root.Open(root_), 0);
  ExportManifest manifest(root, false);
  EXPECT_EQ(manifest.ignoredLines(), static_cast<std::int64_t>(unsafe.size()));
  ASSERT_TRUE(manifest.Find("Inbox", id).has_value());
  EXPECT_EQ(manifest.Find("Inbox", id)->file, "plain.eml");
  EXPECT_FALSE(manifest.Find("Inbox", id, 1).has_value());
  EXPECT_FALSE(manifest.Find("..", id).has_value());
  manifest.Finish();
}

TEST_F(WindowsFiles, AFolderTakesOneNameInItAndNeverALinkForAFile) {
  ASSERT_EQ(MakeFolderNoFollow(root_ + "in"), "");
  Write(root_ + "outside.txt", "outside");
  Write(root_ + "in\\inside.txt", "inside");
  OpenedFolder folder;
  ASSERT_EQ(folder.Open(root_ + "in\\"), 0);
  for (const std::string& name :
       {std::string("..\\outside.txt"), std::string("../outside.txt"), root_ + "outside.txt",
        std::string("C:outside.txt"), std::string(".."), std::string()}) {
    int error = 0;
    EXPECT_EQ(folder.PlainFileSize(name), OpenedFolder::kNotAPlainFile) << name;
    EXPECT_EQ(folder.OpenPlainFileForReading(name, error), nullptr) << name;
    EXPECT_EQ(folder.CreateNewFile(name, error), nullptr) << name;
    EXPECT_EQ(error, EINVAL) << name;
    EXPECT_EQ(folder.RenameReplacing("inside.txt", name), EINVAL) << name;
    EXPECT_EQ(folder.RenameNoReplace("inside.txt", name), EINVAL) << name;
    EXPECT_EQ(folder.Remove(name), EINVAL) << name;
  }
  EXPECT_EQ(Read(root_ + "outside.txt"), "outside");
  EXPECT_EQ(Read(root_ + "in\\inside.txt"), "inside");
  // A recorded file that became a link (a reparse point) is no plain file of the folder.
  const std::string link = root_ + "in\\recorded.eml";
  if (!CreateSymbolicLinkW(fs::path(FilePath(link)).c_str(),
                           fs::path(FilePath(root_ + "outside.txt")).c_str(), 0) ||
      GetFileAttributesW(fs::path(FilePath(link)).c_str()) == INVALID_FILE_ATTRIBUTES) {
    GTEST_SKIP() << "this system makes no symbolic links here";
  }
  EXPECT_EQ(folder.PlainFileSize("recorded.eml"), OpenedFolder::kNotAPlainFile);
}

// The manifest's file: one run at a time holds it; a second name for it (a hard link) or a folder
// of its name is refused and left as it is.
TEST_F(WindowsFiles, TheLockedFileIsHeldByOneRunAndNeverASecondNameOfAnotherFile) {
  OpenedFolder opened;
  ASSERT_EQ(opened.Open(root_), 0);
  std::string problem;
  LockedFile first;
  ASSERT_EQ(first.Open(opened, "manifest.txt", problem), LockedFile::Outcome::Created) << problem;
  EXPECT_EQ(first.Append("line one\r\n"), "");
  LockedFile second;
  EXPECT_EQ(second.Open(opened, "manifest.txt", problem), LockedFile::Outcome::Busy);
  EXPECT_EQ(problem, "another export is using it");
  first.Close();
  ASSERT_EQ(second.Open(opened, "manifest.txt", problem), LockedFile::Outcome::Opened) << problem;
  EXPECT_EQ(second.Append("line two\r\n"), "");
  std::string content;
  EXPECT_EQ(second.Read(content), "");
  EXPECT_EQ(content, "line one\r\nline two\r\n");
  EXPECT_EQ(second.Resize(5), "");
  second.Close();
  EXPECT_EQ(Read(root_ + "manifest.txt"), "line ");

  Write(root_ + "other.txt", "someone's");
  if (CreateHardLinkW(fs::path(FilePath(root_ + "hard.txt")).c_str(),
                      fs::path(FilePath(root_ + "other.txt")).c_str(), nullptr)) {
    LockedFile hard;
    EXPECT_EQ(hard.Open(opened, "hard.txt", problem), LockedFile::Outcome::Refused);
    EXPECT_EQ(problem, "it has another name elsewhere, which is not written through");
  }
  ASSERT_EQ(MakeFolderNoFollow(root_ + "folder.txt"), "");
  LockedFile folder;
  EXPECT_NE(folder.Open(opened, "folder.txt", problem), LockedFile::Outcome::Opened);
  EXPECT_EQ(Read(root_ + "other.txt"), "someone's");
}

// A partial message is replaced in one step by the whole one; the folder tells sizes and names.
TEST_F(WindowsFiles, ARenameReplacesWhenAskedToAndTheFolderTellsItsFiles) {
  Write(root_ + "whole.part", "the whole message");
  Write(root_ + "Hello 1.eml", "half");
  OpenedFolder opened;
  ASSERT_EQ(opened.Open(root_), 0);
  EXPECT_EQ(opened.PlainFileSize("Hello 1.eml"), 4);
  EXPECT_EQ(opened.RenameReplacing("whole.part", "Hello 1.eml"), 0);
  EXPECT_EQ(Read(root_ + "Hello 1.eml"), "the whole message");
  EXPECT_EQ(opened.PlainFileSize("Hello 1.eml"), 17);
  EXPECT_EQ(opened.PlainFileSize("whole.part"), OpenedFolder::kNoFile);
  ASSERT_EQ(MakeFolderNoFollow(root_ + "Inbox"), "");
  EXPECT_EQ(opened.PlainFileSize("Inbox"), OpenedFolder::kNotAPlainFile);
  int error = -1;
  std::vector<std::string> names = opened.Names(error);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(error, 0);
  EXPECT_EQ(names, (std::vector<std::string>{"Hello 1.eml", "Inbox"}));
  std::FILE* message = opened.OpenPlainFileForReading("Hello 1.eml", error);
  ASSERT_NE(message, nullptr);
  std::fclose(message);
  EXPECT_EQ(opened.OpenPlainFileForReading("Inbox", error), nullptr);
}

// Held, the output root cannot be moved away (and so not be replaced by a link).
TEST_F(WindowsFiles, AHeldRootCannotBeMovedAway) {
  ASSERT_EQ(MakeFolderNoFollow(root_ + "Mail"), "");
  {
    HeldRoot held;
    ASSERT_EQ(held.Hold(root_ + "Mail\\"), 0);
    EXPECT_FALSE(MoveFileExW(fs::path(FilePath(root_ + "Mail")).c_str(),
                             fs::path(FilePath(root_ + "Moved")).c_str(), 0));
    EXPECT_EQ(MakeFolderNoFollow(root_ + "Mail\\Inbox"), "");
    OpenedFolder inbox;
    EXPECT_EQ(inbox.Open(root_ + "Mail\\Inbox\\"), 0);
  }
  EXPECT_TRUE(MoveFileExW(fs::path(FilePath(root_ + "Mail")).c_str(),
                          fs::path(FilePath(root_ + "Moved")).c_str(), 0));
}

TEST_F(WindowsFiles, ThePrivateFolderIsNewEachTimeAndForItsOwnerOnly) {
  std::string first;
  std::string second;
  ASSERT_EQ(MakePrivateFolder(root_, "mailshift-", first), "");
  ASSERT_EQ(MakePrivateFolder(root_, "mailshift-", second), "");
  EXPECT_NE(first, second);
  EXPECT_EQ(first.rfind(root_ + "mailshift-", 0), 0u);
  EXPECT_GE(first.size(), root_.size() + 10 + 16);  // an unpredictable ending of 16 hex digits
  EXPECT_EQ(MakeOwnFolder(first + "\\1"), "");
  EXPECT_NE(MakeOwnFolder(first + "\\1"), "");

  PACL acl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const std::wstring wide = fs::path(FilePath(first)).wstring();
  ASSERT_EQ(GetNamedSecurityInfoW(wide.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                  &acl, nullptr, &descriptor),
            static_cast<DWORD>(ERROR_SUCCESS));
  ASSERT_NE(acl, nullptr);
  // Windows keeps the one entry for the owner; Wine shows the system account beside it.
  const OwnSids own;
  for (DWORD index = 0; index < acl->AceCount; ++index) {
    void* ace = nullptr;
    ASSERT_TRUE(GetAce(acl, index, &ace));
    ASSERT_EQ(static_cast<ACE_HEADER*>(ace)->AceType, ACCESS_ALLOWED_ACE_TYPE);
    PSID sid = &static_cast<ACCESS_ALLOWED_ACE*>(ace)->SidStart;
    EXPECT_TRUE(EqualSid(sid, own.user()) || EqualSid(sid, own.system()))
        << "an entry for someone but the owner (entry " << index << ")";
  }
  LocalFree(descriptor);
}

TEST_F(WindowsFiles, TheLogIsHeldByOneRunAndNeverTheDatabase) {
  const std::string path = root_ + "L\xC3\xB6g.txt";
  Write(path, "the last run's lines\r\n");
  LogFile log;
  ASSERT_EQ(log.Open(path, root_ + "mail.nsf"), "");
  EXPECT_EQ(Read(path), "") << "emptied once held";
  EXPECT_TRUE(log.Write("one\r\n"));
  EXPECT_EQ(Read(path), "one\r\n") << "each line reaches the file as it is written";

  LogFile second;
  EXPECT_EQ(second.Open(path, ""), path + " is the log of another export that is still running");
  EXPECT_TRUE(log.Close());
  EXPECT_EQ(Read(path), "one\r\n");

  const std::string database = root_ + "mail.nsf";
  Write(database, "NSF");
  LogFile onDatabase;
  EXPECT_EQ(onDatabase.Open(database, database), database + " is the database being exported");
  EXPECT_EQ(Read(database), "NSF");

  LogFile onFolder;
  EXPECT_NE(onFolder.Open(root_, ""), "");
  EXPECT_FALSE(onFolder.IsOpen());
}

}  // namespace
}  // namespace mailshift::mail
