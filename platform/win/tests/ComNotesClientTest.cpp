// The Notes client binding over COM, against the test Notes server in this process.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "common/DateText.h"
#include "export/AttachmentFolder.h"
#include "export/FieldExtraction.h"
#include "notes/SessionOrigin.h"
#include "notes/testing/MemoryNotes.h"
#include "platform/win/ComNotesClient.h"
#include "platform/win/WideText.h"
#include "platform/win/testing/TestNotesServerNames.h"
#include "platform/win/tests/TestServerSupport.h"

namespace mailshift::platform::win {
namespace {

using notes::ItemValues;
using notes::NotesError;
using testing::FixtureFile;
using testing::ProgIdAlias;

constexpr const char* kMailbox = R"json({
  "title": "Mail - Ann L\u00e9e",
  "views": [
    {"name": "($Inbox)", "folder": true, "documents": ["m1", "m2", "m3"]},
    {"name": "($Drafts)", "folder": true, "documents": []},
    {"name": "Projects\\2008", "folder": true, "documents": ["m2"], "count": 5},
    {"name": "($All)", "folder": false, "documents": ["m3", "m1"]}
  ],
  "documents": [
    {"id": "m1", "size": 2048,
     "items": [
       {"name": "Subject", "text": ["Gr\u00fc\u00dfe \ud83d\ude00"]},
       {"name": "SendTo", "text": ["Bob Ray/Org", "Cy Orr/Org", ""]},
       {"name": "PostedDate", "datetime": ["2008-11-05T14:30:00Z"]},
       {"name": "DeliveredDate", "datetime": ["2010-07-01T12:00:00-04:00", "2009-01-31T05:00:00Z"]},
       {"name": "Count", "number": [3, 2.5, -1]},
       {"name": "Body", "richtext": "Hello there",
        "embedded": [{"name": "r\u00e9sum\u00e9.doc", "type": 1454, "base64": "SGVsbG8="},
                     {"name": "picture", "type": 1453, "base64": ""}]}
     ]},
    {"id": "m2", "has_embedded": false,
     "items": [{"name": "Subject", "text": ["Second"]}, {"name": "Body", "richtext": ""}]},
    {"id": "m3", "size": 512, "items": []}
  ]
})json";

class ComNotesClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!domino_.active() || !notes_.active()) GTEST_SKIP() << "a Notes client is registered on this machine";
  }

  std::shared_ptr<notes::Database> Open(const std::string& path) {
    auto session = client_.CreateObject(notes::kDominoSessionClass);
    EXPECT_TRUE(session);
    return session->GetDatabase("", path);
  }

  std::shared_ptr<notes::Document> FirstOf(notes::Database& database, std::string_view view) {
    auto found = database.GetView(view);
    EXPECT_TRUE(found) << view;
    return found ? found->GetFirstDocument() : nullptr;
  }

  ComNotesClient client_;
  ProgIdAlias domino_{L"Domino.NotesSession", testing::kTestDominoSessionClassId};
  ProgIdAlias notes_{L"Notes.NotesSession", testing::kTestNotesSessionClassId};
  FixtureFile mailbox_{kMailbox};
};

std::string ErrorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const NotesError& error) {
    return error.what();
  }
  return "(no error)";
}

TEST_F(ComNotesClientTest, ReadsTheDatabaseTitleViewsAndCounts) {
  auto database = Open(mailbox_.path());
  EXPECT_EQ(database->Title(),
            "Mail - Ann L\xC3\xA9"
            "e");
  const auto views = database->Views();
  ASSERT_EQ(views.size(), 4u);
  EXPECT_EQ(views[2]->Name(), "Projects\\2008");
  EXPECT_TRUE(views[2]->isfolder());
  EXPECT_FALSE(views[3]->isfolder());
  EXPECT_EQ(views[0]->AllEntriesCount(), 3);
  EXPECT_EQ(views[2]->AllEntriesCount(), 5);  // a count beyond the documents the view yields
  EXPECT_EQ(database->GetView("($inbox)")->Name(), "($Inbox)");
  EXPECT_EQ(database->GetView("No such folder"), nullptr);
}

TEST_F(ComNotesClientTest, WalksAViewDocumentByDocumentUntilNothing) {
  auto database = Open(mailbox_.path());
  auto inbox = database->GetView("($Inbox)");
  std::vector<std::string> subjects;
  for (auto document = inbox->GetFirstDocument(); document; document = inbox->GetNextDocument(document)) {
    const ItemValues subject = document->GetItemValue("Subject");
    subjects.push_back(subject.empty() ? "(none)" : std::get<std::string>(subject[0]));
  }
  EXPECT_EQ(subjects, (std::vector<std::string>{"Gr\xC3\xBC\xC3\x9F"
                                                "e \xF0\x9F\x98\x80",
                                                "Second", ""}));
  EXPECT_EQ(database->GetView("($Drafts)")->GetFirstDocument(), nullptr);

  // A document belongs to the view that gave it.
  auto fromAll = database->GetView("($All)")->GetFirstDocument();
  EXPECT_NE(ErrorOf([&] { inbox->GetNextDocument(fromAll); }).find("not in this view"), std::string::npos);
  notes::testing::MemoryNotesClient memory;
  memory.AddDatabase("x").AddView("v", true, {memory.database("x").AddDocument({})});
  auto foreign =
      memory.CreateObject(notes::kNotesSessionClass)->GetDatabase("", "x")->GetView("v")->GetFirstDocument();
  EXPECT_THROW(inbox->GetNextDocument(foreign), NotesError);
}

TEST_F(ComNotesClientTest, ReadsItemValuesOfEveryKind) {
  auto database = Open(mailbox_.path());
  auto document = FirstOf(*database, "($Inbox)");
  ASSERT_TRUE(document);
  EXPECT_EQ(document->GetItemValue("sendto"),
            (ItemValues{std::string("Bob Ray/Org"), std::string("Cy Orr/Org"), std::string()}));
  EXPECT_EQ(document->GetItemValue("Count"), (ItemValues{3.0, 2.5, -1.0}));
  EXPECT_EQ(document->GetItemValue("Body"), (ItemValues{std::string("Hello there")}));

  // Date-times come as the machine's local time and keep their instant.
  const ItemValues posted = document->GetItemValue("PostedDate");
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_EQ(std::get<DateTime>(posted[0]).secondsSinceEpoch, 1225895400);
  const ItemValues delivered = document->GetItemValue("DeliveredDate");
  ASSERT_EQ(delivered.size(), 2u);
  EXPECT_EQ(std::get<DateTime>(delivered[0]).secondsSinceEpoch, 1278000000);
  EXPECT_EQ(std::get<DateTime>(delivered[1]).secondsSinceEpoch, 1233378000);
  TIME_ZONE_INFORMATION zone{};
  if (GetTimeZoneInformation(&zone) != TIME_ZONE_ID_INVALID && zone.Bias == 300 && zone.DaylightBias == -60) {
    EXPECT_EQ(std::get<DateTime>(posted[0]).utcOffsetMinutes, -300);
    EXPECT_EQ(std::get<DateTime>(delivered[0]).utcOffsetMinutes, -240);
  }

  EXPECT_EQ(document->Size(), 2048);
  EXPECT_TRUE(document->HasEmbedded());
  EXPECT_TRUE(document->hasitem("POSTEDDATE"));
  EXPECT_FALSE(document->hasitem("CopyTo"));
}

TEST_F(ComNotesClientTest, AMissingItemReadsAsOneEmptyText) {
  auto database = Open(mailbox_.path());
  auto document = FirstOf(*database, "($All)");  // m3 has no items at all
  ASSERT_TRUE(document);
  EXPECT_EQ(document->GetItemValue("Subject"), (ItemValues{std::string()}));
  EXPECT_FALSE(document->hasitem("Subject"));
  EXPECT_EQ(document->GetFirstItem("Body"), nullptr);
  EXPECT_EQ(document->Size(), 512);
  EXPECT_FALSE(document->HasEmbedded());
}

TEST_F(ComNotesClientTest, ReadsRichTextAndExtractsAttachments) {
  auto database = Open(mailbox_.path());
  auto document = FirstOf(*database, "($Inbox)");
  auto body = document->GetFirstItem("Body");
  ASSERT_TRUE(body);
  EXPECT_EQ(body->Type(), notes::kRichTextItemType);
  const auto objects = body->EmbeddedObjects();
  ASSERT_EQ(objects.size(), 2u);
  EXPECT_EQ(objects[0]->Type(), notes::kFileAttachmentType);
  EXPECT_EQ(objects[0]->Name(), "r\xC3\xA9sum\xC3\xA9.doc");
  EXPECT_EQ(objects[1]->Type(), 1453);

  testing::TemporaryFolder folder;
  const std::string target =
      WideToUtf8(folder.path()) + "\\\xE6\x97\xA5\xE6\x9C\xAC r\xC3\xA9sum\xC3\xA9.doc";
  objects[0]->ExtractFile(target);
  std::ifstream in(std::filesystem::path(Utf8ToWide(target)), std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), "Hello");

  // A plain item is no rich-text item: its type says so and it has no embedded objects.
  auto subject = document->GetFirstItem("Subject");
  ASSERT_TRUE(subject);
  EXPECT_EQ(subject->Type(), 1280);
  EXPECT_NE(ErrorOf([&] { subject->EmbeddedObjects(); }).find("no such member"), std::string::npos);

  // Rich text without objects: the client gives "nothing", read as no objects.
  auto second = database->GetView("($Inbox)")->GetNextDocument(document);
  EXPECT_TRUE(second->GetFirstItem("Body")->EmbeddedObjects().empty());
  EXPECT_FALSE(second->HasEmbedded());
}

TEST_F(ComNotesClientTest, ADatabaseTheClientCannotReadHasNoViews) {
  for (const std::string& path : {mailbox_.path() + ".missing", std::string("C:\\")}) {
    auto database = Open(path);
    EXPECT_NE(ErrorOf([&] { database->Views(); }).find("no readable data"), std::string::npos) << path;
    EXPECT_THROW(database->GetView("($Inbox)"), NotesError);
  }
  FixtureFile notJson("this is no mail database");
  EXPECT_THROW(Open(notJson.path())->Views(), NotesError);
  EXPECT_THROW(client_.CreateObject(notes::kDominoSessionClass)->GetDatabase("Server/Org", mailbox_.path()),
               NotesError);
}

TEST_F(ComNotesClientTest, RaisedExceptionsBecomeNotesErrorsWithTheirDescription) {
  FixtureFile faulty(R"json({
    "title": "Faulty", "com_faults": {"Title": "Database is corrupt -- cannot allocate space"},
    "views": [{"name": "($Inbox)", "folder": true, "documents": ["m1"],
               "com_faults": {"Count": "Entry index is damaged", "GetNextDocument": {"hresult": -2147024891, "raised": false}}}],
    "documents": [{"id": "m1", "com_faults": {"GetItemValue:Subject": "Item is truncated", "Size": "No size"},
                   "items": [{"name": "Subject", "text": ["s"]}, {"name": "From", "text": ["f"]},
                             {"name": "Body", "richtext": "b", "com_faults": {"EmbeddedObjects": "Object store damaged"},
                              "embedded": [{"name": "a.txt", "base64": "YQ==", "com_faults": {"ExtractFile": "Disk is full"}}]}]}]
  })json");
  auto database = Open(faulty.path());
  const std::string title = ErrorOf([&] { database->Title(); });
  EXPECT_EQ(title, "Database is corrupt -- cannot allocate space (NotesDatabase.Title, 0x80040FA0)");
  auto inbox = database->GetView("($Inbox)");
  EXPECT_NE(ErrorOf([&] { inbox->AllEntriesCount(); }).find("Entry index is damaged"), std::string::npos);
  auto document = inbox->GetFirstDocument();
  EXPECT_NE(ErrorOf([&] { document->GetItemValue("subject"); }).find("Item is truncated"), std::string::npos);
  EXPECT_EQ(document->GetItemValue("From"), (ItemValues{std::string("f")}));  // only that item fails
  EXPECT_NE(ErrorOf([&] { document->Size(); }).find("No size"), std::string::npos);
  // A bare failure code without a description: the system's text of the code.
  EXPECT_NE(ErrorOf([&] { inbox->GetNextDocument(document); }).find("0x80070005"), std::string::npos);
  auto body = document->GetFirstItem("Body");
  EXPECT_NE(ErrorOf([&] { body->EmbeddedObjects(); }).find("Object store damaged"), std::string::npos);
}

TEST_F(ComNotesClientTest, AFailingExtractionIsAnError) {
  FixtureFile faulty(R"json({"views": [{"name": "v", "documents": ["m1"]}],
    "documents": [{"id": "m1", "items": [{"name": "Body", "richtext": "b",
      "embedded": [{"name": "a.txt", "base64": "YQ==", "com_faults": {"ExtractFile": "Disk is full"}},
                   {"name": "b.txt", "base64": "Yg=="}]}]}]})json");
  auto objects = FirstOf(*Open(faulty.path()), "v")->GetFirstItem("Body")->EmbeddedObjects();
  ASSERT_EQ(objects.size(), 2u);
  testing::TemporaryFolder folder;
  EXPECT_NE(
      ErrorOf([&] { objects[0]->ExtractFile(WideToUtf8(folder.path()) + "\\a.txt"); }).find("Disk is full"),
      std::string::npos);
  EXPECT_THROW(objects[1]->ExtractFile(WideToUtf8(folder.path()) + "\\no such folder\\b.txt"), NotesError);
  FixtureFile failingOpen(
      R"json({"com_faults": {"GetDatabase": "You are not authorized to access the database"}})json");
  EXPECT_NE(ErrorOf([&] { Open(failingOpen.path()); }).find("not authorized"), std::string::npos);
}

std::vector<std::string> UniversalIds(notes::View& view) {
  std::vector<std::string> ids;
  for (auto document = view.GetFirstDocument(); document; document = view.GetNextDocument(document))
    ids.push_back(document->UniversalID());
  return ids;
}

TEST_F(ComNotesClientTest, UniversalIdsComInUpperCaseAndAnythingElseIsNoId) {
  FixtureFile ids(R"json({"views": [{"name": "v", "documents": ["upper", "lower", "none", "short", "word",
                                                              "number", "wide"]}],
    "documents": [{"id": "upper", "unid": "85257C5A0052D8A3852573C10057E1B4"},
                  {"id": "lower", "unid": "0a1b2c3d4e5f60718293a4b5c6d7e8f9"},
                  {"id": "none"},
                  {"id": "short", "unid": "85257C5A0052D8A3852573C10057E1B"},
                  {"id": "word", "unid": "85257C5A0052D8A3852573C10057E1BZ"},
                  {"id": "number", "unid": 12345},
                  {"id": "wide", "unid": "85257C5A0052D8A3852573C10057E1B\u0660"}]})json");
  EXPECT_EQ(UniversalIds(*Open(ids.path())->GetView("v")),
            (std::vector<std::string>{"85257C5A0052D8A3852573C10057E1B4", "0A1B2C3D4E5F60718293A4B5C6D7E8F9",
                                      "", "", "", "", ""}));
}

// GetAllUnreadDocuments: the owner's unread documents without a user name, another user's with
// one (letter case ignored), none for a user without marks.
TEST_F(ComNotesClientTest, UnreadDocumentsOfTheOwnerAndOfAnotherUser) {
  FixtureFile marks(R"json({"views": [{"name": "v", "documents": ["a", "b", "c"]}],
    "documents": [{"id": "a", "unid": "A0000000000000000000000000000000", "unread": true},
                  {"id": "b", "unid": "B0000000000000000000000000000000", "unread_for": ["CN=Bo Ray/O=Corp"]},
                  {"id": "c", "unid": "C0000000000000000000000000000000", "unread": true,
                   "unread_for": ["CN=Bo Ray/O=Corp"]}]})json");
  auto database = Open(marks.path());
  const auto unread = [&](std::string_view user) {
    std::vector<std::string> ids;
    auto collection = database->GetAllUnreadDocuments(user);
    EXPECT_TRUE(collection);
    if (!collection) return ids;
    for (auto document = collection->GetFirstDocument(); document;
         document = collection->GetNextDocument(document))
      ids.push_back(document->UniversalID().substr(0, 1));
    EXPECT_EQ(collection->Count(), static_cast<std::int64_t>(ids.size()));
    return ids;
  };
  EXPECT_EQ(unread(""), (std::vector<std::string>{"A", "C"}));
  EXPECT_EQ(unread("cn=bo ray/o=corp"), (std::vector<std::string>{"B", "C"}));
  EXPECT_EQ(unread("CN=Cy Orr/O=Corp"), std::vector<std::string>{});
}

TEST_F(ComNotesClientTest, AClientWithoutTheMemberGivesNoIdAndARaisedFaultIsAnError) {
  FixtureFile without(R"json({"com_without": ["UniversalID"], "views": [{"name": "v", "documents": ["m1"]}],
    "documents": [{"id": "m1", "unid": "85257C5A0052D8A3852573C10057E1B4",
                   "items": [{"name": "Subject", "text": ["still read"]}]}]})json");
  auto document = FirstOf(*Open(without.path()), "v");
  ASSERT_TRUE(document);
  EXPECT_EQ(document->UniversalID(), "");
  EXPECT_EQ(document->GetItemValue("Subject"), (ItemValues{std::string("still read")}));

  FixtureFile faulty(R"json({"views": [{"name": "v", "documents": ["m1"]}],
    "documents": [{"id": "m1", "unid": "85257C5A0052D8A3852573C10057E1B4",
                   "com_faults": {"UniversalID": "Note is damaged"}}]})json");
  EXPECT_NE(ErrorOf([&] { FirstOf(*Open(faulty.path()), "v")->UniversalID(); }).find("Note is damaged"),
            std::string::npos);
}

// An encrypted document read over COM gives what can be read; the names table gives the sender's
// address; the creation date stands in for the missing sending date.
TEST_F(ComNotesClientTest, AnEncryptedDocumentGivesWhatCanBeReadAndTheNamesTableGivesAddresses) {
  FixtureFile sealed(R"json({"views": [{"name": "($Drafts)", "documents": ["s1", "p1"]}], "documents": [
    {"id": "s1", "encrypted": true, "created": "2008-11-04T09:00:00Z", "items": [
      {"name": "From", "text": ["CN=Hal Okafor/OU=IT/O=Corvane"]},
      {"name": "Subject", "text": ["Salaries"]},
      {"name": "$MessageID", "text": ["<OF1@corvane.example>"]},
      {"name": "Body", "richtext": "secret", "encrypted": true}]},
    {"id": "p1", "items": [{"name": "Subject", "text": ["plain"]}]}]})json");
  auto view = Open(sealed.path())->GetView("($Drafts)");
  auto document = view->GetFirstDocument();
  ASSERT_TRUE(document);
  EXPECT_TRUE(document->IsEncrypted());
  EXPECT_EQ(document->Created().secondsSinceEpoch, 1225789200);

  const mail::NamesTable names = mail::NamesTable::FromText("Hal Okafor/IT/Corvane,hal@corvane.example\r\n");
  mail::AttachmentFolder folder;
  const mail::MessageFields fields =
      mail::ExtractMessageFields(*document, folder, mail::FieldReading{&names, "$Revisions"});
  EXPECT_TRUE(fields.encrypted);
  EXPECT_EQ(fields.subject, "Salaries");
  EXPECT_EQ(fields.from, "\"Hal Okafor/IT/Corvane\" <hal@corvane.example>");
  EXPECT_EQ(fields.headers.messageId, "<OF1@corvane.example>");
  EXPECT_EQ(fields.body, "");
  ASSERT_EQ(fields.unreadableItems.size(), 1u);
  EXPECT_EQ(fields.unreadableItems[0].rfind("Body: ", 0), 0u);
  EXPECT_EQ(ParseDateText(fields.date)->secondsSinceEpoch, 1225789200);

  auto plain = view->GetNextDocument(document);
  EXPECT_FALSE(plain->IsEncrypted());
  EXPECT_EQ(plain->Created().secondsSinceEpoch, 946684800);  // the stand-ins' default
}

// As a Notes client opens a document: while the session converts MIME (its setting at first), an
// item stored as MIME reads as rich text without entities; switched off, it gives its entities.
TEST_F(ComNotesClientTest, AMimeBodyReadsAsRichTextWhileTheSessionConvertsMime) {
  FixtureFile mail(
      R"json({"views": [{"name": "($Inbox)", "folder": true, "documents": ["i1"]}], "documents": [
    {"id": "i1", "items": [{"name": "Body", "mime": {"type": "multipart/alternative", "parts": [
      {"type": "text/plain", "text": "Hello"}, {"type": "text/html", "text": "<p>Hello</p>"}]}}]}]})json");
  auto session = client_.CreateObject(notes::kDominoSessionClass);
  ASSERT_TRUE(session);
  EXPECT_TRUE(session->ConvertMIME());
  auto document = session->GetDatabase("", mail.path())->GetView("($Inbox)")->GetFirstDocument();
  ASSERT_TRUE(document);
  EXPECT_EQ(document->GetMIMEEntity("Body"), nullptr);
  EXPECT_EQ(document->GetFirstItem("Body")->Type(), 1);
  EXPECT_TRUE(document->GetFirstItem("Body")->EmbeddedObjects().empty());

  session->SetConvertMIME(false);
  EXPECT_FALSE(session->ConvertMIME());
  EXPECT_EQ(document->GetFirstItem("Body")->Type(), 25);
  auto root = document->GetMIMEEntity("Body");
  ASSERT_TRUE(root);
  EXPECT_EQ(root->ContentType() + "/" + root->ContentSubType(), "multipart/alternative");
  auto html = root->GetFirstChildEntity()->GetNextSibling();
  ASSERT_TRUE(html);
  EXPECT_EQ(html->ContentSubType(), "html");

  // Restored, and the setting belongs to the session: another session still converts.
  session->SetConvertMIME(true);
  EXPECT_EQ(document->GetMIMEEntity("Body"), nullptr);
  EXPECT_TRUE(client_.CreateObject(notes::kDominoSessionClass)->ConvertMIME());
}

class SessionOriginTest : public ::testing::Test {
 protected:
  ComNotesClient client_;
};

TEST_F(SessionOriginTest, TheDominoClassesNeedInitializeWhichTheBindingCallsWithoutPassword) {
  // Created under its own name, the Domino-like class is not initialised and refuses GetDatabase.
  FixtureFile mailbox(kMailbox);
  auto uninitialised = client_.CreateObject("Corvane.TestDominoSession");
  EXPECT_NE(ErrorOf([&] { uninitialised->GetDatabase("", mailbox.path()); }).find("not initialized"),
            std::string::npos);

  ProgIdAlias domino(L"Domino.NotesSession", testing::kTestDominoSessionClassId);
  if (!domino.active()) GTEST_SKIP() << "a Notes client is registered on this machine";
  const auto obtained = notes::ObtainSession(client_);
  EXPECT_EQ(obtained.origin, notes::SessionOrigin::Domino);
  ASSERT_TRUE(obtained.session);
  EXPECT_EQ(obtained.session->GetDatabase("", mailbox.path())->Title(),
            "Mail - Ann L\xC3\xA9"
            "e");
}

TEST_F(SessionOriginTest, TheNotesClassesAreUsedWithoutInitialize) {
  ProgIdAlias notesClass(L"Notes.NotesSession", testing::kTestNotesSessionClassId);
  if (!notesClass.active() || testing::IsRegistered(L"Domino.NotesSession")) {
    GTEST_SKIP() << "a Notes client is registered on this machine";
  }
  FixtureFile mailbox(kMailbox);
  const auto obtained = notes::ObtainSession(client_);
  EXPECT_EQ(obtained.origin, notes::SessionOrigin::Notes);
  ASSERT_TRUE(obtained.session);
  EXPECT_EQ(obtained.session->GetDatabase("", mailbox.path())->Views().size(), 4u);
}

TEST_F(SessionOriginTest, AFailingInitializeFallsBackToTheNotesClasses) {
  ProgIdAlias domino(L"Domino.NotesSession", testing::kTestDominoSessionClassId);
  ProgIdAlias notesClass(L"Notes.NotesSession", testing::kTestNotesSessionClassId);
  if (!domino.active() || !notesClass.active())
    GTEST_SKIP() << "a Notes client is registered on this machine";
  testing::ServerFaultSwitch fault(L"Initialize");
  EXPECT_NE(
      ErrorOf([&] { client_.CreateObject(notes::kDominoSessionClass); }).find("Could not open the ID file"),
      std::string::npos);
  EXPECT_EQ(notes::ObtainSession(client_).origin, notes::SessionOrigin::Notes);
}

TEST_F(SessionOriginTest, WithoutAnyClassThereIsNoSessionAndAReason) {
  if (testing::IsRegistered(L"Domino.NotesSession") || testing::IsRegistered(L"Notes.NotesSession")) {
    GTEST_SKIP() << "a Notes client is registered on this machine";
  }
  auto obtained = notes::ObtainSession(client_);
  EXPECT_EQ(obtained.origin, notes::SessionOrigin::None);
  EXPECT_FALSE(obtained.session);
  EXPECT_NE(obtained.failure.find("Notes.NotesSession is not registered"), std::string::npos)
      << obtained.failure;

  ProgIdAlias notesClass(L"Notes.NotesSession", testing::kTestNotesSessionClassId);
  testing::ServerFaultSwitch fault(L"CreateInstance");
  obtained = notes::ObtainSession(client_);
  EXPECT_EQ(obtained.origin, notes::SessionOrigin::None);
  EXPECT_NE(obtained.failure.find("CoCreateInstance Notes.NotesSession"), std::string::npos)
      << obtained.failure;
}

}  // namespace
}  // namespace mailshift::platform::win
