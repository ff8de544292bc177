// Documents' universal ids in the stand-in: from fixtures into stores and back, through the Notes
// objects, in stores written before documents had them, in damaged stores and in the sample.
#include <gtest/gtest.h>

#include <set>

#include "platform/standin/StoreFixture.h"
#include "platform/standin/StoreWriter.h"
#include "platform/standin/tests/StoreTestSupport.h"

namespace mailshift::standin {
namespace {

using json = nlohmann::json;
using notes::NotesError;
using testing::OpenStore;
using testing::ScratchFolder;
using testing::Tamper;

constexpr const char* kFirstId = "0A1B2C3D4E5F60718293A4B5C6D7E8F9";
constexpr const char* kSecondId = "85257C5A0052D8A3852573C10057E1B4";

// Two documents with ids (one written in lower case) and one without, in two views.
const json kMailbox = json::parse(R"json({
  "title": "Mail",
  "views": [
    {"name": "($Inbox)", "folder": true, "documents": ["m1", "m2", "m3"]},
    {"name": "($All)", "folder": false, "documents": ["m3", "m1"]}
  ],
  "documents": [
    {"id": "m1", "unid": "0A1B2C3D4E5F60718293A4B5C6D7E8F9",
     "items": [{"name": "Subject", "text": ["first"]}]},
    {"id": "m2", "items": [{"name": "Subject", "text": ["second"]}]},
    {"id": "m3", "unid": "85257c5a0052d8a3852573c10057e1b4",
     "items": [{"name": "Subject", "text": ["third"]}]}
  ]
})json");

std::vector<std::string> UniversalIds(notes::View& view) {
  std::vector<std::string> ids;
  for (auto document = view.GetFirstDocument(); document; document = view.GetNextDocument(document)) {
    ids.push_back(document->UniversalID());
  }
  return ids;
}

class UniversalIdTest : public ::testing::Test {
 protected:
  void SetUp() override { BuildStore(kMailbox, store_); }

  ScratchFolder folder_;
  std::filesystem::path store_ = folder_ / "Mail.nsf";
};

TEST_F(UniversalIdTest, EachDocumentGivesItsOwnIdInEveryViewAndNoneWhenItHasNone) {
  auto database = OpenStore(store_);
  EXPECT_EQ(UniversalIds(*database->GetView("($Inbox)")),
            (std::vector<std::string>{kFirstId, "", kSecondId}));
  EXPECT_EQ(UniversalIds(*database->GetView("($All)")), (std::vector<std::string>{kSecondId, kFirstId}));
}

TEST_F(UniversalIdTest, TheDumpWritesTheIdsBackInUpperCaseAndBuildsTheSameStore) {
  const json dump = DumpStore(store_);
  EXPECT_EQ(dump["documents"][0]["unid"], kFirstId);
  EXPECT_FALSE(dump["documents"][1].contains("unid"));
  EXPECT_EQ(dump["documents"][2]["unid"], kSecondId);
  BuildStoreFromText(DumpStoreText(store_), folder_ / "again.nsf");
  EXPECT_EQ(DumpStoreText(folder_ / "again.nsf"), DumpStoreText(store_));
}

TEST_F(UniversalIdTest, AStoreWrittenBeforeDocumentsHadIdsOpensAndGivesNone) {
  // The first format's documents table is this one without its last column.
  Tamper(store_, "ALTER TABLE documents DROP COLUMN unid; PRAGMA user_version = 1;");
  auto database = OpenStore(store_);
  auto inbox = database->GetView("($Inbox)");
  ASSERT_NE(inbox, nullptr);
  EXPECT_EQ(UniversalIds(*inbox), (std::vector<std::string>{"", "", ""}));
  EXPECT_EQ(testing::FirstText(*inbox->GetFirstDocument(), "Subject"), "first");
  const json dump = DumpStore(store_);
  for (const auto& document : dump["documents"]) EXPECT_FALSE(document.contains("unid")) << document;
}

TEST_F(UniversalIdTest, AStoreOfTheCurrentFormatWithoutTheColumnIsNoStore) {
  Tamper(store_, "ALTER TABLE documents DROP COLUMN unid;");
  EXPECT_THROW(OpenStore(store_)->Views(), NotesError);
  EXPECT_THROW(DumpStore(store_), std::runtime_error);
}

TEST_F(UniversalIdTest, ADamagedIdFailsOnlyThatDocumentsUniversalId) {
  for (const char* damage : {"'0A1B2C3D4E5F60718293A4B5C6D7E8F'", "'0a1b2c3d4e5f60718293a4b5c6d7e8f9'", "''",
                             "x'0A1B2C3D4E5F60718293A4B5C6D7E8F9'", "42"}) {
    SCOPED_TRACE(damage);
    BuildStore(kMailbox, store_);
    Tamper(store_, std::string("UPDATE documents SET unid = ") + damage + " WHERE note_id = 'm1'");
    auto inbox = OpenStore(store_)->GetView("($Inbox)");
    auto first = inbox->GetFirstDocument();
    EXPECT_THROW(first->UniversalID(), NotesError);
    EXPECT_EQ(testing::FirstText(*first, "Subject"), "first");
    EXPECT_EQ(inbox->GetNextDocument(inbox->GetNextDocument(first))->UniversalID(), kSecondId);
    EXPECT_THROW(DumpStore(store_), std::runtime_error);
  }
}

TEST(StoreWriterUniversalIdTest, RefusesIdsThatAreNotIdsAndIdsUsedTwice) {
  ScratchFolder folder;
  StoreWriter writer(folder / "Mail.nsf");
  DocumentSpec lowerCase;
  lowerCase.id = "a";
  lowerCase.universalId = "0a1b2c3d4e5f60718293a4b5c6d7e8f9";
  EXPECT_THROW(writer.AddDocument(std::move(lowerCase)), std::invalid_argument);
  DocumentSpec first;
  first.id = "b";
  first.universalId = kFirstId;
  writer.AddDocument(std::move(first));
  DocumentSpec again;
  again.id = "c";
  again.universalId = kFirstId;
  EXPECT_THROW(writer.AddDocument(std::move(again)), std::invalid_argument);
  // A refused document leaves its id free.
  DocumentSpec fresh;
  fresh.id = "c";
  fresh.universalId = kSecondId;
  EXPECT_NO_THROW(writer.AddDocument(std::move(fresh)));
}

TEST(SampleUniversalIdTest, EveryDocumentHasAUniqueIdThatTheSameOptionsGiveAgain) {
  ScratchFolder folder;
  const SampleOptions options{2000, 20, 5};
  WriteSampleStore(folder / "a.nsf", options);
  WriteSampleStore(folder / "b.nsf", options);
  WriteSampleStore(folder / "other.nsf", SampleOptions{2000, 20, 6});
  const auto ids = [&](const std::string& name) {
    const json dump = DumpStore(folder / name);
    std::vector<std::string> found;
    for (const auto& document : dump["documents"]) found.push_back(document.value("unid", ""));
    return found;
  };
  const auto first = ids("a.nsf");
  ASSERT_EQ(first.size(), 2000u);
  for (const auto& id : first) EXPECT_TRUE(IsUniversalId(id)) << id;
  EXPECT_EQ(std::set<std::string>(first.begin(), first.end()).size(), first.size());
  EXPECT_EQ(ids("b.nsf"), first);
  // Another mailbox: other ids, none shared.
  const auto other = ids("other.nsf");
  std::set<std::string> all(first.begin(), first.end());
  all.insert(other.begin(), other.end());
  EXPECT_EQ(all.size(), 4000u);

  // What the Notes objects give is what the store holds.
  auto inbox = OpenStore(folder / "a.nsf")->GetView("($Inbox)");
  const auto inboxIds = UniversalIds(*inbox);
  ASSERT_FALSE(inboxIds.empty());
  for (const auto& id : inboxIds) EXPECT_NE(std::find(first.begin(), first.end(), id), first.end()) << id;
}

}  // namespace
}  // namespace mailshift::standin
