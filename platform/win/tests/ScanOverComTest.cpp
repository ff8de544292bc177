// The scan and the preview over the COM binding: the same tree, counts and rows as over the
// in-memory client for the same mail, whichever class gave the session; and the scan's policies
// for failures that the Notes client raises as COM exceptions.
#include <gtest/gtest.h>

#include "common/DateText.h"
#include "notes/testing/ScanTranscript.h"
#include "platform/win/ComNotesClient.h"
#include "platform/win/WideText.h"
#include "platform/win/testing/TestNotesServerNames.h"
#include "platform/win/tests/TestServerSupport.h"

namespace mailshift::platform::win {
namespace {

using notes::testing::ScanTranscript;
using testing::FixtureFile;
using testing::ProgIdAlias;

std::string MailboxFixture() { return WideToUtf8(testing::ExecutableFolder() + L"\\fixtures\\mailbox.json"); }

bool NoNotesClientRegistered() {
  return !testing::IsRegistered(L"Domino.NotesSession") && !testing::IsRegistered(L"Notes.NotesSession");
}

std::string TranscriptOverCom(const wchar_t* progId, const GUID& classId, const std::string& fixture) {
  ProgIdAlias alias(progId, classId);
  EXPECT_TRUE(alias.active());
  ComNotesClient client;
  return ScanTranscript(client, fixture);
}

// The comparison with the built-in stand-in runs on the build machine (scripts/test-windows);
// here the two session classes must agree with each other.
TEST(ScanOverCom, GivesTheSameTreeCountsAndRowsFromEitherSessionClass) {
  if (!NoNotesClientRegistered()) GTEST_SKIP() << "a Notes client is registered on this machine";
  const std::string fixture = MailboxFixture();
  const std::string overDomino =
      TranscriptOverCom(L"Domino.NotesSession", testing::kTestDominoSessionClassId, fixture);
  const std::string overNotes =
      TranscriptOverCom(L"Notes.NotesSession", testing::kTestNotesSessionClassId, fixture);
  EXPECT_EQ(overNotes, overDomino);

  // The transcript is worth comparing: it holds the scan's result and every folder's rows.
  EXPECT_NE(overDomino.find("scan: completed, 0 failures"), std::string::npos) << overDomino;
  EXPECT_NE(overDomino.find("text \"Inbox (3)\""), std::string::npos) << overDomino;
  EXPECT_NE(overDomino.find("Bob Ray/Org | Hello there | 1 KB | "), std::string::npos) << overDomino;
  EXPECT_NE(overDomino.find("Cy Orr/Org | Draft | 0 KB | "), std::string::npos) << overDomino;
  // A folder with blanks around its name is found by its trimmed tag.
  EXPECT_NE(overDomino.find("text \" Blanks  (1)\""), std::string::npos) << overDomino;
  // Universal ids in upper case, whatever case the client gave them in; none where it gave none.
  EXPECT_NE(overDomino.find("universal ids of \"($Inbox)\": 85257C5A0052D8A3852573C10057E1B4 "
                            "0A1B2C3D4E5F60718293A4B5C6D7E8F9 (none)\n"),
            std::string::npos)
      << overDomino;
}

TEST(ScanOverCom, ShowsDatesInTheMachinesLocalTime) {
  TIME_ZONE_INFORMATION zone{};
  if (GetTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID || zone.Bias != 300 || zone.DaylightBias != -60) {
    GTEST_SKIP() << "the machine is not on US Eastern time";
  }
  if (!NoNotesClientRegistered()) GTEST_SKIP() << "a Notes client is registered on this machine";
  const std::string transcript =
      TranscriptOverCom(L"Domino.NotesSession", testing::kTestDominoSessionClassId, MailboxFixture());
  const std::string winter = DateText({1225895400, 0});  // 09:30 EST
  const std::string summer = DateText({1278000000, 0});  // 12:00 EDT
  const std::string midnight = DateText({1233378000, 0});
  EXPECT_NE(transcript.find("| 1 KB | " + winter + " [icon 56]"), std::string::npos) << transcript;
  EXPECT_NE(transcript.find("| 2 KB | " + summer + " [icon 56]"), std::string::npos) << transcript;
  EXPECT_NE(transcript.find("| Sent at midnight | 0 KB | " + midnight + " [icon 56]"), std::string::npos);
  EXPECT_NE(winter.find("9:30:00"), std::string::npos) << winter;
  EXPECT_NE(summer.find("12:00:00"), std::string::npos) << summer;
  EXPECT_EQ(midnight.find(':'), std::string::npos) << midnight;  // midnight local: the date alone
}

constexpr const char* kFaultyMailbox = R"json({
  "title": "Faulty", "com_faults": {"Title": "Database is damaged"},
  "views": [{"name": "($Inbox)", "folder": true, "documents": ["m1", "m2", "m3"]},
            {"name": "Projects", "folder": true, "documents": [], "com_faults": {"Count": "Index damaged"}},
            {"name": "Later", "folder": true, "documents": []}],
  "documents": [{"id": "m1", "items": [{"name": "Subject", "text": ["first"]}]},
                {"id": "m2", "com_faults": {"GetItemValue:Subject": "Item is truncated"},
                 "items": [{"name": "Subject", "text": ["second"]}]},
                {"id": "m3", "items": [{"name": "Subject", "text": ["third"]}]}]
})json";

TEST(ScanOverCom, AppliesEachSessionClassesFailurePolicyToRaisedExceptions) {
  if (!NoNotesClientRegistered()) GTEST_SKIP() << "a Notes client is registered on this machine";
  FixtureFile fixture(kFaultyMailbox);

  // Domino classes: the failing title is stepped over, the failing count shows as 0, and the
  // preview of the Inbox stops at the document whose subject cannot be read.
  const std::string overDomino =
      TranscriptOverCom(L"Domino.NotesSession", testing::kTestDominoSessionClassId, fixture.path());
  EXPECT_NE(overDomino.find("scan: completed, 1 failures"), std::string::npos) << overDomino;
  EXPECT_NE(overDomino.find("text \"Projects (0)\""), std::string::npos) << overDomino;
  EXPECT_NE(overDomino.find("preview of node 2: 1 rows, stopped early\n   | first | 0 KB |  [icon 56]\n"),
            std::string::npos)
      << overDomino;

  // Notes classes: a failure up to the title ends the scan with the not-installed message.
  const std::string overNotes =
      TranscriptOverCom(L"Notes.NotesSession", testing::kTestNotesSessionClassId, fixture.path());
  EXPECT_NE(overNotes.find("scan: Notes not installed"), std::string::npos) << overNotes;
  EXPECT_NE(overNotes.find("message: Notes Not Installed/Configured: Lotus Notes NOT INSTALLED"),
            std::string::npos)
      << overNotes;
}

TEST(ScanOverCom, ADatabaseTheClientCannotReadEndsInTheNoDataMessage) {
  if (!NoNotesClientRegistered()) GTEST_SKIP() << "a Notes client is registered on this machine";
  FixtureFile notAMailbox("random bytes, not a Notes database");
  const std::string transcript =
      TranscriptOverCom(L"Domino.NotesSession", testing::kTestDominoSessionClassId, notAMailbox.path());
  EXPECT_NE(transcript.find("scan: no data"), std::string::npos) << transcript;
  EXPECT_NE(transcript.find("No Data Found in NSF file or NSF file is encrypted"), std::string::npos)
      << transcript;
}

TEST(ScanOverCom, WithoutANotesClientTheScanSaysSo) {
  if (!NoNotesClientRegistered()) GTEST_SKIP() << "a Notes client is registered on this machine";
  ComNotesClient client;
  const std::string transcript = ScanTranscript(client, MailboxFixture());
  EXPECT_NE(transcript.find("scan: Notes not installed"), std::string::npos) << transcript;
}

}  // namespace
}  // namespace mailshift::platform::win
