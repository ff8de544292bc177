// Mailbox names, mbox entries and Maildir messages as the destinations write them.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "export/MailboxNames.h"
#include "export/MaildirDestination.h"
#include "export/MboxDestination.h"
#include "export/tests/RecordingExport.h"

namespace mailshift::mail {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(MailboxNames, ModifiedUtf7BothWays) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"Inbox", "Inbox"},
      {"Q&A: Vendors?", "Q&-A: Vendors?"},
      {"~peter/mail/\xE5\x8F\xB0\xE5\x8C\x97/\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E",
       "~peter/mail/&U,BTFw-/&ZeVnLIqe-"},  // the example of RFC 3501 section 5.1.3
      {"Caf\xC3\xA9", "Caf&AOk-"},
      {"\xF0\x9F\x93\xA7 Mail", "&2D3c5w- Mail"},  // a character beyond the BMP: a surrogate pair
      {"", ""},
  };
  for (const auto& [utf8, encoded] : cases) {
    EXPECT_EQ(ModifiedUtf7(utf8), encoded) << utf8;
    EXPECT_EQ(FromModifiedUtf7(encoded), utf8) << encoded;
  }
  for (const std::string bad : {"&", "&U,BTFw", "&*-", "a\x01"})
    EXPECT_EQ(FromModifiedUtf7(bad), std::nullopt) << bad;
  EXPECT_EQ(ModifiedUtf7("bad \xFF byte"), "bad &,,0- byte");  // U+FFFD
}

TEST(MailboxNames, FoldersBecomeLevelsAndSpecialFolders) {
  EXPECT_EQ(MailboxLevels(DeliveryFolder{true, "Sent", "Sent Items"}), std::vector<std::string>{"Sent"});
  EXPECT_EQ(MailboxLevels(DeliveryFolder{true, "Trash", "Deleted Items"}), std::vector<std::string>{"Trash"});
  EXPECT_EQ(MailboxLevels(DeliveryFolder{true, "Follow-Up", "Follow Up"}),
            std::vector<std::string>{"Follow Up"});
  EXPECT_EQ(MailboxLevels(DeliveryFolder{false, "Projects\\ Launch Plan \\\\x/y", "x"}),
            (std::vector<std::string>{"Projects", "Launch Plan", "x-y"}));
  EXPECT_EQ(KeywordAtom(" Q1 (draft) \"x\" "), "Q1__draft___x_");
  EXPECT_EQ(MaildirFolderName(DeliveryFolder{false, "Clients\\Acme.com\\Caf\xC3\xA9", ""}),
            ".Clients.Acme-com.Caf&AOk-");
  EXPECT_EQ(MaildirFolderName(DeliveryFolder{true, "Inbox", "Inbox"}), "");
}

OutgoingMessage Message(std::string_view bytes, std::string id, bool read, bool draft = false) {
  return OutgoingMessage{bytes, 1228505400, MessageMarks{read, draft, {"Budget", "Q1 2009"}}, std::move(id),
                         ""};
}

TEST(MboxDestination, WritesMboxrdWithMarksAndFindsWhatAnEarlierRunLeft) {
  testing::ScratchFolder scratch;
  const std::string root = scratch.path() + "/mbox/";
  const std::string first =
      "From: a@b\r\nX-Notes-UNID: ID1\r\nSubject: x\r\n\r\nFrom here on\r\n>From quoted\r\n>>From "
      "twice\r\nend\r\n";
  const std::string second = "X-Notes-UNID: ID2\r\n\r\nbody\r\n";
  {
    MboxDestination mbox(root);
    ASSERT_EQ(mbox.Open(), "");
    ASSERT_EQ(mbox.EnterFolder(DeliveryFolder{false, "Projects\\2008", "Projects-2008"}), "");
    const Delivery one = mbox.Deliver(Message(first, "ID1", false));
    const Delivery two = mbox.Deliver(Message(second, "ID2", true));
    ASSERT_TRUE(one.delivered && two.delivered);
    EXPECT_EQ(one.record, "0");
    EXPECT_EQ(two.record, std::to_string(one.bytes));
  }
  const std::string text = Read(fs::path(root) / "Projects.sbd" / "2008");
  EXPECT_TRUE(fs::is_regular_file(fs::path(root) / "Projects"));
  EXPECT_EQ(
      text,
      "From - Fri Dec  5 19:30:00 2008\nStatus: O\nX-Mozilla-Status: 0000\nX-Mozilla-Status2: 00000000\n"
      "X-Mozilla-Keys: Budget Q1_2009\n"
      "From: a@b\nX-Notes-UNID: ID1\nSubject: x\n\n>From here on\n>>From quoted\n>>>From twice\nend\n\n"
      "From - Fri Dec  5 19:30:00 2008\nStatus: RO\nX-Mozilla-Status: 0001\nX-Mozilla-Status2: 00000000\n"
      "X-Mozilla-Keys: Budget Q1_2009\nX-Notes-UNID: ID2\n\nbody\n\n");
  // A later run: the first message is recorded, the second (written, not recorded) is found by
  // its id and not written again; a third is appended.
  MboxDestination again(root);
  ASSERT_EQ(again.Open(), "");
  ASSERT_EQ(again.EnterFolder(DeliveryFolder{false, "Projects\\2008", "Projects-2008"}), "");
  EXPECT_EQ(again.Holds("0", static_cast<std::int64_t>(text.find("From - ", 5))), "");
  EXPECT_NE(again.Holds("5", 10), "");
  const Delivery found = again.Deliver(Message(second, "ID2", true));
  EXPECT_TRUE(found.foundThere);
  EXPECT_EQ(Read(fs::path(root) / "Projects.sbd" / "2008"), text);
  // A message cut off at the end (a full disk) is ours: it is removed before writing again.
  {
    std::ofstream(fs::path(root) / "Projects.sbd" / "2008", std::ios::app | std::ios::binary)
        << "From - x\nX-Notes-UNID: ID3\n\npart";
  }
  MboxDestination third(root);
  ASSERT_EQ(third.EnterFolder(DeliveryFolder{false, "Projects\\2008", "Projects-2008"}), "");
  EXPECT_EQ(Read(fs::path(root) / "Projects.sbd" / "2008"), text);
}

TEST(MaildirDestination, DeliversThroughTmpIntoCurWithFlagsAndDate) {
  testing::ScratchFolder scratch;
  const std::string root = scratch.path() + "/md/";
  MaildirDestination maildir(root);
  ASSERT_EQ(maildir.Open(), "");
  ASSERT_EQ(maildir.EnterFolder(DeliveryFolder{true, "Drafts", "Drafts"}), "");
  const Delivery draft = maildir.Deliver(Message("X-Notes-UNID: AB\r\n\r\nhi\r\n", "AB", true, true));
  ASSERT_TRUE(draft.delivered);
  const fs::path cur = fs::path(root) / ".Drafts" / "cur";
  const fs::path file = cur / (draft.record + ":2,DS");
  ASSERT_TRUE(fs::is_regular_file(file)) << draft.record;
  EXPECT_TRUE(fs::is_empty(fs::path(root) / ".Drafts" / "tmp"));
  EXPECT_TRUE(fs::exists(fs::path(root) / ".Drafts" / "maildirfolder"));
  EXPECT_EQ(Read(file), "X-Notes-UNID: AB\r\n\r\nhi\r\n");
  const auto written = std::chrono::file_clock::to_sys(fs::last_write_time(file));
  EXPECT_EQ(std::chrono::duration_cast<std::chrono::seconds>(written.time_since_epoch()).count(), 1228505400);
  ASSERT_EQ(maildir.EnterFolder(DeliveryFolder{true, "Inbox", "Inbox"}), "");
  const Delivery unread = maildir.Deliver(Message("x\r\n", "CD", false));
  EXPECT_TRUE(fs::is_regular_file(fs::path(root) / "cur" / (unread.record + ":2,")));

  // A mail program renaming the message for new marks keeps it known; one deleted is written again.
  fs::rename(file, cur / (draft.record + ":2,S"));
  MaildirDestination again(root);
  ASSERT_EQ(again.EnterFolder(DeliveryFolder{true, "Drafts", "Drafts"}), "");
  EXPECT_EQ(again.Holds(draft.record, -1), "");
  fs::remove(cur / (draft.record + ":2,S"));
  MaildirDestination third(root);
  ASSERT_EQ(third.EnterFolder(DeliveryFolder{true, "Drafts", "Drafts"}), "");
  EXPECT_NE(third.Holds(draft.record, -1), "");
}

}  // namespace
}  // namespace mailshift::mail
