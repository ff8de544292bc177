// Read marks in the stand-in: fixtures mark documents unread for the owner or for other users;
// GetAllUnreadDocuments gives them back, the dump writes them out again, a store from before read
// marks counts every document as read, and the sample leaves some mail unread.
#include <gtest/gtest.h>

#include "platform/standin/StoreFixture.h"
#include "platform/standin/tests/StoreTestSupport.h"

namespace mailshift::standin {
namespace {

using json = nlohmann::json;
using testing::OpenStore;
using testing::ScratchFolder;
using testing::Tamper;

const json kMailbox = json::parse(R"json({
  "views": [{"name": "($Inbox)", "folder": true, "documents": ["a", "b", "c", "d"]}],
  "documents": [
    {"id": "a", "unid": "A0000000000000000000000000000000", "unread": true},
    {"id": "b", "unid": "B0000000000000000000000000000000", "unread_for": ["CN=Bo Ray/O=Corp"]},
    {"id": "c", "unid": "C0000000000000000000000000000000", "unread": true, "unread_for": ["CN=Bo Ray/O=Corp"]},
    {"id": "d", "unid": "D0000000000000000000000000000000"}
  ]
})json");

std::vector<std::string> UnreadFor(notes::Database& database, std::string_view user) {
  std::vector<std::string> ids;
  const auto unread = database.GetAllUnreadDocuments(user);
  if (!unread) return {"(no marks)"};
  for (auto document = unread->GetFirstDocument(); document; document = unread->GetNextDocument(document))
    ids.push_back(document->UniversalID().substr(0, 1));
  EXPECT_EQ(unread->Count(), static_cast<std::int64_t>(ids.size()));
  return ids;
}

TEST(ReadMarks, UnreadDocumentsPerUserAndBackThroughTheDump) {
  ScratchFolder folder;
  const auto store = folder.path() / "marks.nsf";
  BuildStore(kMailbox, store);
  auto database = OpenStore(store);
  EXPECT_EQ(UnreadFor(*database, ""), (std::vector<std::string>{"A", "C"}));
  EXPECT_EQ(UnreadFor(*database, "cn=bo ray/o=corp"), (std::vector<std::string>{"B", "C"}));
  EXPECT_EQ(UnreadFor(*database, "CN=Cy Orr/O=Corp"), std::vector<std::string>{});
  // A document of the unread ones is one of the store's, read like any other.
  EXPECT_EQ(database->GetAllUnreadDocuments("")->GetFirstDocument()->Size(),
            database->GetView("($Inbox)")->GetFirstDocument()->Size());

  const json dumped = DumpStore(store);
  EXPECT_EQ(dumped["documents"][0]["unread"], true);
  EXPECT_EQ(dumped["documents"][2]["unread_for"], json::array({"CN=Bo Ray/O=Corp"}));
  EXPECT_FALSE(dumped["documents"][3].contains("unread"));
  BuildStore(dumped, folder.path() / "again.nsf");
  EXPECT_EQ(DumpStore(folder.path() / "again.nsf"), dumped);

  // A store from before read marks: every document counts as read.
  Tamper(store, "DROP TABLE unread_marks; PRAGMA user_version = 4;");
  EXPECT_EQ(UnreadFor(*OpenStore(store), ""), std::vector<std::string>{"(no marks)"});
  // One that claims read marks without their table is no store.
  Tamper(store, "PRAGMA user_version = 5;");
  EXPECT_THROW(OpenStore(store)->Title(), notes::NotesError);
}

TEST(ReadMarks, FixturesRefuseAnEmptyUserAndTheSampleLeavesMailUnread) {
  ScratchFolder folder;
  json bad = kMailbox;
  bad["documents"][1]["unread_for"] = json::array({""});
  try {
    BuildStore(bad, folder.path() / "bad.nsf");
    FAIL() << "an empty user was taken";
  } catch (const FixtureError& error) {
    EXPECT_EQ(error.place(), "documents[1].unread_for[0]");
  }
  WriteSampleStore(folder.path() / "sample.nsf", SampleOptions{100, 14, 1, false});
  auto database = OpenStore(folder.path() / "sample.nsf");
  const auto unread = UnreadFor(*database, "");
  EXPECT_GT(unread.size(), 5u);
  EXPECT_LT(unread.size(), 40u);
}

}  // namespace
}  // namespace mailshift::standin
