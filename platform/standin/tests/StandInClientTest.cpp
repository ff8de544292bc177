// The stand-in Notes client on good stores: every operation the program calls.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "common/Base64.h"
#include "platform/standin/StandInNotesClient.h"
#include "platform/standin/StoreFixture.h"
#include "platform/standin/StoreWriter.h"
#include "platform/standin/tests/StoreTestSupport.h"

namespace mailshift::standin {
namespace {

using notes::NotesError;
using testing::DocumentIds;
using testing::FirstText;
using testing::OpenStore;
using testing::ReadBytes;
using testing::ScratchFolder;

constexpr const char* kMailbox = R"json({
  "title": "Mail - Ann Lee",
  "views": [
    {"name": "($Inbox)", "folder": true, "documents": ["m1", "m2", "m3"]},
    {"name": "($All)", "folder": false, "documents": ["m1", "m2", "m3", "m4"]},
    {"name": "Projects\\2008", "folder": true, "documents": ["m3", "m1"]},
    {"name": "($Trash)", "folder": true, "documents": ["m4"], "count": 5},
    {"name": "Empty", "folder": true},
    {"name": "projects\\2008", "folder": true, "documents": ["m2"]}
  ],
  "documents": [
    {"id": "m1", "size": 2048, "items": [
      {"name": "Id", "text": ["m1"]},
      {"name": "Subject", "text": ["Hello"]},
      {"name": "SendTo", "text": ["Bob Ray/Org", "Cy Orr/Org"]},
      {"name": "InetSendTo", "text": ["bob@example.com", "."]},
      {"name": "PostedDate", "datetime": ["2008-11-05T14:30:00-05:00", "2009-07-01T08:00:00+05:30"]},
      {"name": "Count", "number": [3, -0.5]},
      {"name": "Body", "richtext": "Hello there", "embedded": [
        {"name": "a.doc", "base64": "SGVsbG8="},
        {"name": "a.doc", "type": 1454, "base64": "V29ybGQ="},
        {"name": "Chart", "type": 1453, "base64": ""}]}]},
    {"id": "m2", "items": [
      {"name": "Id", "text": ["m2"]},
      {"name": "SUBJECT", "text": ["Upper-case item name"]},
      {"name": "CopyTo", "text": []},
      {"name": "Body", "text": ["plain text body"]}]},
    {"id": "m3", "items": [{"name": "Id", "text": ["m3"]}]},
    {"id": "m4", "size": 0, "has_embedded": true, "items": [
      {"name": "Id", "text": ["m4"]},
      {"name": "Body", "richtext": ""}]}
  ]
})json";

class StandInClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    BuildStoreFromText(kMailbox, store_);
    database_ = OpenStore(store_);
  }

  std::shared_ptr<notes::Document> Document(const std::string& view, std::size_t position) {
    auto v = database_->GetView(view);
    auto document = v->GetFirstDocument();
    for (std::size_t i = 0; i < position; ++i) document = v->GetNextDocument(document);
    return document;
  }

  ScratchFolder folder_;
  std::filesystem::path store_ = folder_ / "Mail.nsf";
  std::shared_ptr<notes::Database> database_;
};

TEST(StandInNotesClientTest, AnswersOnlyToTheDominoClass) {
  StandInNotesClient client;
  EXPECT_NE(client.CreateObject("Domino.NotesSession"), nullptr);
  EXPECT_THROW(client.CreateObject("Notes.NotesSession"), NotesError);
  EXPECT_THROW(client.CreateObject(""), NotesError);
  EXPECT_THROW(client.CreateObject("domino.notessession "), NotesError);
}

TEST_F(StandInClientTest, GivesTitleAndViewsInStoredOrderWithFolderFlags) {
  EXPECT_EQ(database_->Title(), "Mail - Ann Lee");
  const auto views = database_->Views();
  ASSERT_EQ(views.size(), 6u);
  const std::vector<std::pair<std::string, bool>> expected{
      {"($Inbox)", true}, {"($All)", false}, {"Projects\\2008", true},
      {"($Trash)", true}, {"Empty", true},   {"projects\\2008", true}};
  for (std::size_t i = 0; i < views.size(); ++i) {
    EXPECT_EQ(views[i]->Name(), expected[i].first);
    EXPECT_EQ(views[i]->isfolder(), expected[i].second);
  }
}

TEST_F(StandInClientTest, FindsViewsByNamePreferringTheExactSpelling) {
  EXPECT_EQ(database_->GetView("Projects\\2008")->Name(), "Projects\\2008");
  EXPECT_EQ(database_->GetView("projects\\2008")->Name(), "projects\\2008");
  EXPECT_EQ(database_->GetView("PROJECTS\\2008")->Name(), "Projects\\2008");
  EXPECT_EQ(database_->GetView("($inbox)")->Name(), "($Inbox)");
  EXPECT_EQ(database_->GetView("Projects"), nullptr);
  EXPECT_EQ(database_->GetView("Empt"), nullptr);
  EXPECT_EQ(database_->GetView(""), nullptr);
}

TEST(StandInViewNameTest, BlanksAroundANameMatterOnlyWhenNothingElseMatches) {
  // A folder tag is the trimmed folder name; the folder must still be found by it.
  ScratchFolder folder;
  BuildStoreFromText(R"json({"views": [
      {"name": " Travel ", "folder": true},
      {"name": "Projects\\ Launch Plan ", "folder": true},
      {"name": "Archive ", "folder": true},
      {"name": "Archive", "folder": false}]})json",
                     folder / "store.nsf");
  auto database = OpenStore(folder / "store.nsf");
  EXPECT_EQ(database->GetView("Travel")->Name(), " Travel ");
  EXPECT_EQ(database->GetView("  travel")->Name(), " Travel ");
  EXPECT_EQ(database->GetView("Projects\\ Launch Plan")->Name(), "Projects\\ Launch Plan ");
  EXPECT_EQ(database->GetView("Projects\\Launch Plan"), nullptr);
  EXPECT_EQ(database->GetView("Archive")->Name(), "Archive");
  EXPECT_EQ(database->GetView("Archive ")->Name(), "Archive ");
  EXPECT_EQ(database->GetView("  Archive")->Name(), "Archive ");  // the first of equals in stored order
  EXPECT_EQ(database->GetView("Travel\t"), nullptr);
}

TEST_F(StandInClientTest, WalksEntriesInOrderAndCountsThem) {
  auto inbox = database_->GetView("($Inbox)");
  EXPECT_EQ(inbox->AllEntriesCount(), 3);
  EXPECT_EQ(DocumentIds(*inbox), (std::vector<std::string>{"m1", "m2", "m3"}));
  auto projects = database_->GetView("Projects\\2008");
  EXPECT_EQ(DocumentIds(*projects), (std::vector<std::string>{"m3", "m1"}));
  EXPECT_EQ(projects->AllEntriesCount(), 2);
  auto all = database_->GetView("($All)");
  EXPECT_EQ(DocumentIds(*all), (std::vector<std::string>{"m1", "m2", "m3", "m4"}));
  auto empty = database_->GetView("Empty");
  EXPECT_EQ(empty->AllEntriesCount(), 0);
  EXPECT_EQ(empty->GetFirstDocument(), nullptr);
}

TEST_F(StandInClientTest, StoredCountOverridesTheEntriesButTheWalkEndsAtTheLastDocument) {
  auto trash = database_->GetView("($Trash)");
  EXPECT_EQ(trash->AllEntriesCount(), 5);
  auto first = trash->GetFirstDocument();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(FirstText(*first, "Id"), "m4");
  EXPECT_EQ(trash->GetNextDocument(first), nullptr);
}

// A store rebuilt under the same name during a walk (written beside it, then renamed over it):
// every document of the walk is read from the store that was opened, the read-ahead included.
TEST(StandInReplacedStoreTest, AWalkReadsOnlyTheStoreItOpened) {
  ScratchFolder folder;
  const auto storeWithSubject = [&folder](const std::string& subject, const std::string& name) {
    std::string documents;
    std::string ids;
    for (int i = 0; i < 60; ++i) {
      const std::string id = "d" + std::to_string(i);
      documents += std::string(i == 0 ? "" : ",") + R"j({"id": ")j" + id +
                   R"j(", "items": [{"name": "Subject", "text": [")j" + subject + R"j("]}]})j";
      ids += std::string(i == 0 ? "" : ",") + "\"" + id + "\"";
    }
    BuildStoreFromText(R"j({"title": "T", "views": [{"name": "($Inbox)", "folder": true, "documents": [)j" +
                           ids + "]}], \"documents\": [" + documents + "]}",
                       folder / name);
  };
  storeWithSubject("opened", "Mail.nsf");
  storeWithSubject("replacement", "Mail.nsf.new");
  const auto database = OpenStore(folder / "Mail.nsf");
  std::filesystem::rename(folder / "Mail.nsf.new", folder / "Mail.nsf");

  auto inbox = database->GetView("($Inbox)");
  int read = 0;
  for (auto document = inbox->GetFirstDocument(); document; document = inbox->GetNextDocument(document)) {
    // As slow as an export, so that the read-ahead gets to the documents first.
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
    EXPECT_EQ(FirstText(*document, "Subject"), "opened") << "document " << read;
    ++read;
  }
  EXPECT_EQ(read, 60);
}

TEST_F(StandInClientTest, ADocumentKnowsItsPlaceInEachOfItsViews) {
  // m1 stands first in the inbox and last in Projects\2008.
  auto inbox = database_->GetView("($Inbox)");
  auto projects = database_->GetView("Projects\\2008");
  auto fromInbox = inbox->GetFirstDocument();
  auto fromProjects = projects->GetNextDocument(projects->GetFirstDocument());
  EXPECT_EQ(FirstText(*fromProjects, "Id"), "m1");
  EXPECT_EQ(FirstText(*inbox->GetNextDocument(fromInbox), "Id"), "m2");
  EXPECT_EQ(projects->GetNextDocument(fromProjects), nullptr);
  // A document of another view, or of the same view opened again, is not an entry of this one.
  EXPECT_THROW(projects->GetNextDocument(fromInbox), NotesError);
  EXPECT_THROW(projects->GetNextDocument(nullptr), NotesError);
  auto reopened = OpenStore(store_)->GetView("($Inbox)");
  EXPECT_THROW(reopened->GetNextDocument(fromInbox), NotesError);
}

TEST_F(StandInClientTest, ReadsTextNumberAndDateTimeValues) {
  auto m1 = Document("($Inbox)", 0);
  EXPECT_EQ(m1->GetItemValue("SendTo"),
            (notes::ItemValues{std::string("Bob Ray/Org"), std::string("Cy Orr/Org")}));
  EXPECT_EQ(m1->GetItemValue("InetSendTo"),
            (notes::ItemValues{std::string("bob@example.com"), std::string(".")}));
  EXPECT_EQ(m1->GetItemValue("Count"), (notes::ItemValues{3.0, -0.5}));
  // 14:30 at -05:00 is 19:30 UTC; the offset of the recording clock stays with the value.
  const auto dates = m1->GetItemValue("PostedDate");
  ASSERT_EQ(dates.size(), 2u);
  EXPECT_EQ(std::get<DateTime>(dates[0]), (DateTime{1225913400, -300}));
  EXPECT_EQ(std::get<DateTime>(dates[1]), (DateTime{1246415400, 330}));
  EXPECT_EQ(m1->Size(), 2048);
  EXPECT_TRUE(m1->HasEmbedded());
}

TEST_F(StandInClientTest, ItemNamesIgnoreLetterCase) {
  auto m1 = Document("($Inbox)", 0);
  auto m2 = Document("($Inbox)", 1);
  EXPECT_TRUE(m1->hasitem("subject"));
  EXPECT_TRUE(m1->hasitem("SUBJECT"));
  EXPECT_EQ(FirstText(*m1, "sUbJeCt"), "Hello");
  EXPECT_EQ(FirstText(*m2, "Subject"), "Upper-case item name");
  EXPECT_FALSE(m1->hasitem("Subjec"));
  EXPECT_FALSE(m1->hasitem(""));
}

TEST_F(StandInClientTest, AbsentAndEmptyItemsGiveNoValues) {
  auto m2 = Document("($Inbox)", 1);
  auto m3 = Document("($Inbox)", 2);
  EXPECT_TRUE(m2->hasitem("CopyTo"));
  EXPECT_TRUE(m2->GetItemValue("CopyTo").empty());
  EXPECT_FALSE(m3->hasitem("Subject"));
  EXPECT_TRUE(m3->GetItemValue("Subject").empty());
  EXPECT_EQ(m3->GetFirstItem("Body"), nullptr);
  EXPECT_FALSE(m3->HasEmbedded());
  // Without a stored size a document reports its items' data and a little more.
  EXPECT_GT(m3->Size(), 0);
  EXPECT_LT(m3->Size(), 1024);
}

TEST_F(StandInClientTest, RichTextBodyGivesItsTextAndItsEmbeddedObjects) {
  auto m1 = Document("($Inbox)", 0);
  EXPECT_EQ(m1->GetItemValue("Body"), (notes::ItemValues{std::string("Hello there")}));
  auto body = m1->GetFirstItem("body");
  ASSERT_NE(body, nullptr);
  EXPECT_EQ(body->Type(), notes::kRichTextItemType);
  const auto objects = body->EmbeddedObjects();
  ASSERT_EQ(objects.size(), 3u);
  EXPECT_EQ(objects[0]->Name(), "a.doc");
  EXPECT_EQ(objects[0]->Type(), notes::kFileAttachmentType);
  EXPECT_EQ(objects[1]->Name(), "a.doc");
  EXPECT_EQ(objects[2]->Name(), "Chart");
  EXPECT_EQ(objects[2]->Type(), 1453);

  // Two attachments of one name are two objects with their own bytes.
  objects[0]->ExtractFile((folder_ / "first").string());
  objects[1]->ExtractFile((folder_ / "second").string());
  objects[2]->ExtractFile((folder_ / "chart").string());
  EXPECT_EQ(ReadBytes(folder_ / "first"), "Hello");
  EXPECT_EQ(ReadBytes(folder_ / "second"), "World");
  EXPECT_EQ(ReadBytes(folder_ / "chart"), "");
}

TEST_F(StandInClientTest, OtherItemsComeAsItemsOfTheirOwnTypeWithoutObjects) {
  auto m2 = Document("($Inbox)", 1);
  auto body = m2->GetFirstItem("Body");
  ASSERT_NE(body, nullptr);
  EXPECT_EQ(body->Type(), 1280);
  EXPECT_TRUE(body->EmbeddedObjects().empty());
  EXPECT_EQ(m2->GetFirstItem("Subject")->Type(), 1280);
  EXPECT_EQ(Document("($Inbox)", 0)->GetFirstItem("PostedDate")->Type(), 1024);
  EXPECT_EQ(Document("($Inbox)", 0)->GetFirstItem("Count")->Type(), 768);
}

TEST_F(StandInClientTest, HasEmbeddedAndSizeAsStored) {
  auto m4 = Document("($Trash)", 0);
  EXPECT_TRUE(m4->HasEmbedded());
  EXPECT_EQ(m4->Size(), 0);
  EXPECT_TRUE(m4->GetFirstItem("Body")->EmbeddedObjects().empty());
}

TEST_F(StandInClientTest, ObjectsOutliveTheDatabaseObject) {
  auto view = database_->GetView("($Inbox)");
  auto document = view->GetFirstDocument();
  auto objects = document->GetFirstItem("Body")->EmbeddedObjects();
  database_.reset();
  view.reset();
  EXPECT_EQ(FirstText(*document, "Subject"), "Hello");
  objects[1]->ExtractFile((folder_ / "later").string());
  EXPECT_EQ(ReadBytes(folder_ / "later"), "World");
}

TEST(StandInFileNameTest, AnyFileNameOpens) {
  ScratchFolder folder;
  for (const std::string name : {"Mail #1 ?100% Grüße&x=1.nsf", "file:mail.nsf", "store", "a'b\"c.db"}) {
    BuildStoreFromText(R"json({"title": "T", "views": [{"name": "V", "folder": true}]})json", folder / name);
    auto database = OpenStore(folder / name);
    EXPECT_EQ(database->Title(), "T") << name;
    EXPECT_EQ(database->Views().size(), 1u) << name;
  }
}

TEST(StandInEncryptionTest, EncryptedItemsThrowWhenReadAndTheRestReads) {
  ScratchFolder folder;
  BuildStoreFromText(R"json({"title": "Mail", "views": [{"name": "($Inbox)", "folder": true,
    "documents": ["sealed", "plain", "undated"]}], "documents": [
    {"id": "sealed", "created": "2008-11-04T09:00:00+01:00", "encrypted": true, "items": [
      {"name": "Subject", "text": ["Salaries"]}, {"name": "Body", "richtext": "secret", "encrypted": true}]},
    {"id": "plain", "items": [{"name": "PostedDate", "datetime": ["2008-11-05T14:30:00-05:00"]}]},
    {"id": "undated", "items": []}]})json",
                     folder / "Mail.nsf");
  auto view = OpenStore(folder / "Mail.nsf")->GetView("($Inbox)");
  auto sealed = view->GetFirstDocument();
  EXPECT_TRUE(sealed->IsEncrypted());
  EXPECT_TRUE(sealed->hasitem("Body"));
  EXPECT_THROW(sealed->GetItemValue("body"), NotesError);
  EXPECT_EQ(FirstText(*sealed, "Subject"), "Salaries");
  EXPECT_EQ(sealed->Created(), (DateTime{1225785600, 60}));
  auto plain = view->GetNextDocument(sealed);
  EXPECT_FALSE(plain->IsEncrypted());
  // Without a creation date of its own a document was created with its earliest date.
  EXPECT_EQ(plain->Created(), (DateTime{1225913400, -300}));
  EXPECT_EQ(view->GetNextDocument(plain)->Created(), kDefaultCreationDate);
  // An item may be encrypted only in an encrypted document.
  EXPECT_THROW(BuildStoreFromText(R"json({"title": "M", "views": [], "documents": [{"id": "x", "items": [
    {"name": "Body", "richtext": "", "encrypted": true}]}]})json",
                                  folder / "Bad.nsf"),
               FixtureError);
}

class ExtractFileTest : public ::testing::Test {
 protected:
  // A store with one attachment of the given bytes.
  std::shared_ptr<notes::EmbeddedObject> StoreWith(const std::string& bytes) {
    StoreWriter writer(store_);
    DocumentSpec document;
    document.id = "d";
    ItemSpec body{"Body", ItemKind::RichText, {std::string("see attached")}, {}};
    body.embedded.push_back(EmbeddedSpec{"big.bin", notes::kFileAttachmentType, BytesContent(bytes)});
    document.items.push_back(std::move(body));
    writer.AddView("($Inbox)", true, {writer.AddDocument(std::move(document))});
    writer.Commit();
    return OpenStore(store_)
        ->GetView("($Inbox)")
        ->GetFirstDocument()
        ->GetFirstItem("Body")
        ->EmbeddedObjects()
        .at(0);
  }

  static std::string Pattern(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7919) >> 5);
    return bytes;
  }

  ScratchFolder folder_;
  std::filesystem::path store_ = folder_ / "store.nsf";
};

TEST_F(ExtractFileTest, WritesContentOfSeveralChunksExactlyAtThePath) {
  const std::string bytes = Pattern(kContentChunkBytes * 2 + 12345);
  auto object = StoreWith(bytes);
  const auto target = folder_ / "out" / "big copy.bin";
  std::filesystem::create_directories(target.parent_path());
  object->ExtractFile(target.string());
  EXPECT_EQ(ReadBytes(target), bytes);
  EXPECT_EQ(std::vector<std::string>{"big copy.bin"}, ScratchFolder::FileNamesOf(target.parent_path()));
}

TEST_F(ExtractFileTest, ReplacesAnExistingFile) {
  auto object = StoreWith("new content");
  testing::WriteBytes(folder_ / "x.bin", "old content that is longer");
  object->ExtractFile((folder_ / "x.bin").string());
  EXPECT_EQ(ReadBytes(folder_ / "x.bin"), "new content");
}

TEST_F(ExtractFileTest, FailureLeavesNoFileBehind) {
  auto object = StoreWith(Pattern(1000));
  const auto before = folder_.FileNames();
  EXPECT_THROW(object->ExtractFile((folder_ / "missing folder" / "x.bin").string()), NotesError);
  EXPECT_THROW(object->ExtractFile(""), NotesError);
  std::filesystem::create_directories(folder_ / "a folder");
  EXPECT_THROW(object->ExtractFile((folder_ / "a folder").string()), NotesError);
  EXPECT_TRUE(std::filesystem::is_directory(folder_ / "a folder"));
  EXPECT_TRUE(ScratchFolder::FileNamesOf(folder_ / "a folder").empty());
  std::filesystem::remove(folder_ / "a folder");
  EXPECT_EQ(folder_.FileNames(), before);
}

}  // namespace
}  // namespace mailshift::standin
