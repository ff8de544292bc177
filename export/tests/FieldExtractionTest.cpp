#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "common/DateText.h"
#include "common/TextRules.h"
#include "export/FieldExtraction.h"
#include "export/tests/RecordingExport.h"
#include "notes/testing/MemoryNotes.h"

namespace mailshift::mail {
namespace {

namespace fs = std::filesystem;
using notes::testing::MemoryDocument;
using notes::testing::MemoryEmbedded;
using notes::testing::MemoryNotesClient;

// Records the order of item operations, so that every read can be seen to follow its test.
class SpyDocument : public notes::Document {
 public:
  explicit SpyDocument(std::shared_ptr<notes::Document> inner) : inner_(std::move(inner)) {}
  notes::ItemValues GetItemValue(std::string_view name) override {
    calls.push_back("read " + std::string(name));
    return inner_->GetItemValue(name);
  }
  bool hasitem(std::string_view name) override {
    calls.push_back("has " + std::string(name));
    return inner_->hasitem(name);
  }
  std::int64_t Size() override { return inner_->Size(); }
  bool HasEmbedded() override { return inner_->HasEmbedded(); }
  std::shared_ptr<notes::RichTextItem> GetFirstItem(std::string_view name) override {
    return inner_->GetFirstItem(name);
  }
  std::string UniversalID() override { return inner_->UniversalID(); }
  bool IsEncrypted() override { return inner_->IsEncrypted(); }
  DateTime Created() override { return inner_->Created(); }
  std::vector<std::string> calls;

 private:
  std::shared_ptr<notes::Document> inner_;
};

class FieldExtractionTest : public ::testing::Test {
 protected:
  // The document as the Notes interface gives it.
  std::shared_ptr<notes::Document> Open(MemoryDocument document) {
    auto& database = client_.AddDatabase("mail" + std::to_string(++databases_) + ".nsf");
    database.AddView("($Inbox)", true, {database.AddDocument(std::move(document))});
    auto session = client_.CreateObject(notes::kDominoSessionClass);
    return session->GetDatabase("", "mail" + std::to_string(databases_) + ".nsf")
        ->GetView("($Inbox)")
        ->GetFirstDocument();
  }

  MessageFields Extract(MemoryDocument document) {
    return ExtractMessageFields(*Open(std::move(document)), folder_);
  }

  testing::ScratchTemporaryFolder temp_;
  MemoryNotesClient client_;
  int databases_ = 0;
  AttachmentFolder folder_;
};

// One list of a document: its Internet-form and its Notes-form item (none when absent), and the
// people it must give, as their recipient text.
struct PeopleCase {
  const char* label;
  std::optional<std::vector<std::string>> internet;
  std::optional<std::vector<std::string>> notesForm;
  std::string expected;
};

// Every entry is taken from the Internet item where it holds an address and from the Notes item
// where it holds ".", entry by entry; the Notes item alone counts without an Internet item; a
// person with an address keeps the name beside it.
const PeopleCase kPeopleCases[] = {
    {"Notes item alone", std::nullopt, {{"A/Org", "B/Org"}}, "A/Org;B/Org"},
    {"both addressed",
     {{"x@a.example", "y@b.example"}},
     {{"A/Org", "B/Org"}},
     "\"A/Org\" <x@a.example>;\"B/Org\" <y@b.example>"},
    {"first has no address", {{".", "y@b.example"}}, {{"A/Org", "B/Org"}}, "A/Org;\"B/Org\" <y@b.example>"},
    {"second has no address",
     {{"x@a.example", "."}},
     {{"Ann/Org", "Bob/Org"}},
     "\"Ann/Org\" <x@a.example>;Bob/Org"},
    {"placeholder without a Notes entry", {{"x@a.example", "."}}, {{"A/Org"}}, "\"A/Org\" <x@a.example>"},
    {"Notes list longer",
     {{"x@a.example"}},
     {{"A/Org", "B/Org", "C/Org"}},
     "\"A/Org\" <x@a.example>;B/Org;C/Org"},
    {"Internet item alone", {{"x@a.example"}}, std::nullopt, "x@a.example"},
    {"lone placeholder", {{"."}}, std::nullopt, ""},
    {"lone placeholder with a Notes entry", {{"."}}, {{"Bob/Org"}}, "Bob/Org"},
    {"placeholders around an address",
     {{".", ".", "z@corp.example"}},
     {{"Ann/Org"}},
     "Ann/Org;z@corp.example"},
    {"no items", std::nullopt, std::nullopt, ""},
    {"an empty Internet entry keeps the Notes one", {{""}}, {{"A/Org"}}, "A/Org"},
    {"blanks around entries", {{" x@a.example "}}, {{" A/Org "}}, "\"A/Org\" <x@a.example>"},
    {"canonical name abbreviated beside its address",
     {{"ines@corvane.example"}},
     {{"CN=Ines O'Neill/OU=Sales/O=Corvane"}},
     "\"Ines O'Neill/Sales/Corvane\" <ines@corvane.example>"},
    {"Notes entry that is an address with a name",
     {{"."}},
     {{"\"Diaz, Carla\" <carla@x.example>"}},
     "\"Diaz, Carla\" <carla@x.example>"},
    {"Internet entry with a name of its own",
     {{"Marta Quill <marta@t.example>"}},
     {{"marta@t.example"}},
     "\"Marta Quill\" <marta@t.example>"},
    {"bare address in the Notes form", {{"."}}, {{"carla@x.example"}}, "carla@x.example"},
};

MemoryDocument WithList(MemoryDocument document, const PeopleCase& list, const char* internetItem,
                        const char* notesItem) {
  if (list.internet) document.Text(internetItem, *list.internet);
  if (list.notesForm) document.Text(notesItem, *list.notesForm);
  return document;
}

TEST_F(FieldExtractionTest, EveryListTakesEachEntryFromWhereItsAddressIs) {
  for (const PeopleCase& list : kPeopleCases) {
    SCOPED_TRACE(list.label);
    const MessageFields to = Extract(WithList(MemoryDocument(), list, "InetSendTo", "SendTo"));
    EXPECT_EQ(to.to, list.expected);
    EXPECT_EQ(to.CcList, "");
    const MessageFields cc = Extract(WithList(MemoryDocument(), list, "InetCopyTo", "CopyTo"));
    EXPECT_EQ(cc.CcList, list.expected);
    EXPECT_EQ(cc.to, "");
    const MessageFields bcc = Extract(WithList(MemoryDocument(), list, "InetBlindCopyTo", "BlindCopyTo"));
    EXPECT_EQ(bcc.BccList, list.expected);
    // The texts are made from the people, never read back.
    EXPECT_EQ(to.people.to.size(), cc.people.cc.size());
    EXPECT_EQ(to.people.to, bcc.people.bcc);
  }
}

TEST_F(FieldExtractionTest, PeopleSayWhereTheirAddressCameFrom) {
  const NamesTable names = NamesTable::FromText("Hal Okafor/IT/Corvane,hal@corvane.example\n");
  const MessageFields fields = ExtractMessageFields(
      *Open(MemoryDocument()
                .Text("SendTo", {"CN=Hal Okafor/OU=IT/O=Corvane", "B/Org", "carla@x.example", "Dee/Org"})
                .Text("InetSendTo", {".", "b@org.example", ".", "."})),
      folder_, FieldReading{&names});
  const People expected{{"Hal Okafor/IT/Corvane", "CN=Hal Okafor/OU=IT/O=Corvane", "hal@corvane.example",
                         AddressSource::NamesTable},
                        {"B/Org", "B/Org", "b@org.example", AddressSource::InternetItem},
                        {"", "", "carla@x.example", AddressSource::NotesItem},
                        {"Dee/Org", "Dee/Org", "", AddressSource::None}};
  EXPECT_EQ(fields.people.to, expected);
}

TEST_F(FieldExtractionTest, SenderPrefersTheInternetAddressAndKeepsTheName) {
  EXPECT_EQ(Extract(MemoryDocument().Text("From", {"John Doe/Org"}).Text("INetFrom", {"."})).from,
            "John Doe/Org");
  EXPECT_EQ(
      Extract(MemoryDocument().Text("From", {"John Doe/Org"}).Text("INetFrom", {"john@org.example"})).from,
      "\"John Doe/Org\" <john@org.example>");
  EXPECT_EQ(Extract(MemoryDocument().Text("From", {"John Doe/Org"})).from, "John Doe/Org");
  // An empty Internet value carries no address and must not wipe out the sender.
  EXPECT_EQ(Extract(MemoryDocument().Text("From", {"John Doe/Org"}).Text("INetFrom", {""})).from,
            "John Doe/Org");
  // Only the first value of each item names the sender.
  EXPECT_EQ(Extract(MemoryDocument().Text("From", {"A/Org", "B/Org"}).Text("INetFrom", {".", "b@x.example"}))
                .people.from.size(),
            1u);
}

TEST_F(FieldExtractionTest, ReadsSubjectDateAndBodyAsText) {
  const DateTime posted{1225895400, 60};
  const MessageFields fields = Extract(MemoryDocument()
                                           .Text("Subject", {"  Budget  ", "second value"})
                                           .Date("PostedDate", posted)
                                           .Body("Line 1\r\nLine 2"));
  EXPECT_EQ(fields.subject, "  Budget  ");  // trimming is the run's business
  EXPECT_EQ(fields.date, DateText(posted));
  EXPECT_EQ(fields.when, posted);  // the date itself, offset and all, never its text read back
  EXPECT_EQ(fields.body, "Line 1\r\nLine 2");
  EXPECT_FALSE(fields.hasEmbedded);
  EXPECT_EQ(fields.AttachmentList, "");

  MemoryDocument draft = MemoryDocument().Text("Subject", {"Draft"});
  draft.created = DateTime{1225000000, 0};
  const MessageFields unsent = Extract(draft);
  EXPECT_EQ(unsent.date, DateText(draft.created));  // never the day of the export
  EXPECT_EQ(unsent.when, draft.created);
  EXPECT_EQ(unsent.body, "");

  notes::testing::MemoryDocument numbered;
  numbered.items.push_back({"Subject", {42.0}, false, {}, false});
  EXPECT_EQ(Extract(numbered).subject, "42");
}

TEST_F(FieldExtractionTest, ThreadImportanceAndCategoriesComeFromTheDocument) {
  const MessageFields fields =
      Extract(MemoryDocument()
                  .Text("$MessageID", {"<OF12AB@corvane.example>"})
                  .Text("$InReplyTo", {"<parent@mail.example>"})
                  .Text("$References", {"<root@mail.example>", "<parent@mail.example>"})
                  .Text("DeliveryPriority", {"H"})
                  .Text("Categories", {"Budget", "", "Q1 2009"}));
  EXPECT_EQ(fields.headers.messageId, "<OF12AB@corvane.example>");
  EXPECT_EQ(fields.headers.inReplyTo, "<parent@mail.example>");
  EXPECT_EQ(fields.headers.references, "<root@mail.example> <parent@mail.example>");
  EXPECT_EQ(fields.headers.importance, Importance::High);
  EXPECT_EQ(fields.headers.keywords, (std::vector<std::string>{"Budget", "Q1 2009"}));

  // The other spellings of the thread items, and the importance of tasks when no priority is set.
  const MessageFields other = Extract(MemoryDocument()
                                          .Text("In_Reply_To", {"<a@b.example>"})
                                          .Text("References", {"<a@b.example>"})
                                          .Text("Importance", {"3"}));
  EXPECT_EQ(other.headers.inReplyTo, "<a@b.example>");
  EXPECT_EQ(other.headers.references, "<a@b.example>");
  EXPECT_EQ(other.headers.importance, Importance::Low);
  EXPECT_EQ(Extract(MemoryDocument()).headers.importance, Importance::Unset);

  // A $MessageID stored without its angle brackets is the same id.
  EXPECT_EQ(Extract(MemoryDocument().Text("$MessageID", {" OF12AB@corvane.example "})).headers.messageId,
            "<OF12AB@corvane.example>");
  EXPECT_EQ(Extract(MemoryDocument().Text("$MessageID", {"two words@x"})).headers.messageId, "two words@x");
}

TEST_F(FieldExtractionTest, NotesNamesAreAbbreviatedAndTheNamesTableGivesTheirAddresses) {
  const NamesTable names = NamesTable::FromText(
      "Notes name,Internet address\r\n"
      "CN=Hal Okafor/OU=IT/O=Corvane,hal.okafor@corvane.example\r\n"
      "\"Ray, Bob/Org\",bob@org.example\r\n");
  MemoryDocument document = MemoryDocument()
                                .Text("From", {"CN=Hal Okafor/OU=IT/O=Corvane@CorvaneMail"})
                                .Text("SendTo", {"CN=Cy Orr/O=Org", "Ray, Bob/Org"})
                                .Text("InetCopyTo", {".", "dee@fox.example"})
                                .Text("CopyTo", {"CN=Hal Okafor/OU=IT/O=Corvane", "Dee Fox/Org"});
  const MessageFields fields = ExtractMessageFields(*Open(document), folder_, FieldReading{&names});
  EXPECT_EQ(fields.from, "\"Hal Okafor/IT/Corvane\" <hal.okafor@corvane.example>");
  EXPECT_EQ(fields.to, "Cy Orr/Org;\"Ray, Bob/Org\" <bob@org.example>");
  EXPECT_EQ(fields.CcList,
            "\"Hal Okafor/IT/Corvane\" <hal.okafor@corvane.example>;\"Dee Fox/Org\" <dee@fox.example>");

  // Without a table the names are only abbreviated.
  EXPECT_EQ(Extract(document).from, "Hal Okafor/IT/Corvane");

  EXPECT_THROW(NamesTable::FromText("Hal Okafor/IT/Corvane,hal@x.example\nBob Ray/Org\n"), NamesTableError);
  EXPECT_THROW(NamesTable::FromText("Hal,\"hal@x.example\n"), NamesTableError);
}

TEST_F(FieldExtractionTest, WithoutAPostedDateTheDateIsThePreviewsThenTheCreationDate) {
  const DateTime revised{1225000000, 60};
  const DateTime delivered{1225100000, 0};
  const DateTime posted{1225200000, 0};
  MemoryDocument draft = MemoryDocument().Date("$Revisions", revised).Date("DeliveredDate", delivered);
  draft.created = DateTime{1224000000, 0};
  const auto read = [&](const MemoryDocument& document, std::string_view previewItem) {
    return ExtractMessageFields(*Open(document), folder_, FieldReading{nullptr, previewItem}).date;
  };
  EXPECT_EQ(read(draft, "$Revisions"), DateText(revised));
  EXPECT_EQ(read(draft, "DeliveredDate"), DateText(delivered));
  // Mail of any other folder that was delivered but never posted is dated by its delivery.
  EXPECT_EQ(read(draft, "PostedDate"), DateText(delivered));
  MemoryDocument undated = MemoryDocument().Date("$Revisions", revised);
  undated.created = DateTime{1224000000, 0};
  EXPECT_EQ(read(undated, "PostedDate"), DateText(undated.created));
  MemoryDocument sent = draft;
  sent.Date("PostedDate", posted);
  EXPECT_EQ(read(sent, "$Revisions"), DateText(posted));
}

TEST_F(FieldExtractionTest, AnEncryptedDocumentGivesWhatCanBeReadAndNamesTheRest) {
  MemoryDocument document =
      MemoryDocument().Text("Subject", {"Salaries"}).Text("From", {"a@b.example"}).Body("secret");
  document.encrypted = true;
  document.items.back().failRead = true;
  const MessageFields fields = Extract(document);
  EXPECT_TRUE(fields.encrypted);
  EXPECT_EQ(fields.subject, "Salaries");
  EXPECT_EQ(fields.from, "a@b.example");
  EXPECT_EQ(fields.body, "");
  ASSERT_EQ(fields.unreadableItems.size(), 1u);
  EXPECT_EQ(fields.unreadableItems[0].rfind("Body: ", 0), 0u);
}

TEST_F(FieldExtractionTest, TestsForEveryItemBeforeReadingIt) {
  SpyDocument spy(Open(MemoryDocument()
                           .Text("Subject", {"s"})
                           .Text("InetCopyTo", {".", "x"})
                           .Text("CopyTo", {"a", "b"})
                           .Text("InetBlindCopyTo", {"."})
                           .Text("BlindCopyTo", {"c"})
                           .Text("From", {"f"})
                           .Text("INetFrom", {"g"})
                           .Text("SendTo", {"t"})
                           .Text("InetSendTo", {"u", "v"})
                           .Date("PostedDate", DateTime{0, 0})
                           .Body("b")));
  ExtractMessageFields(spy, folder_);
  int reads = 0;
  for (std::size_t i = 0; i < spy.calls.size(); ++i) {
    if (spy.calls[i].rfind("read ", 0) != 0) continue;
    ++reads;
    ASSERT_GT(i, 0u);
    EXPECT_EQ(spy.calls[i - 1], "has " + spy.calls[i].substr(5)) << "read without a test: " << spy.calls[i];
  }
  EXPECT_EQ(reads, 11);
}

TEST_F(FieldExtractionTest, AFailingReadGivesAnEmptyValueAndTheRestGoesOn) {
  MemoryDocument document = MemoryDocument()
                                .Text("Subject", {"Hello"})
                                .Text("From", {"A/Org"})
                                .Text("SendTo", {"B/Org"})
                                .Body("text");
  for (auto& item : document.items) item.failRead = item.name == "From" || item.name == "Body";
  const MessageFields fields = Extract(document);
  EXPECT_EQ(fields.subject, "Hello");
  EXPECT_EQ(fields.from, "");
  EXPECT_EQ(fields.to, "B/Org");
  EXPECT_EQ(fields.body, "");
}

TEST_F(FieldExtractionTest, ExtractsFileAttachmentsInOrderIntoThePrivateFolder) {
  const MessageFields fields =
      Extract(MemoryDocument().Body("see attached", {{"a.doc", notes::kFileAttachmentType, "AAA"},
                                                     {"link", 1453, "object link", false},
                                                     {"b.pdf", notes::kFileAttachmentType, "BBBB"}}));
  EXPECT_TRUE(fields.hasEmbedded);
  ASSERT_EQ(fields.AttachmentList.front(), '|');
  const auto paths = Split(fields.AttachmentList.substr(1), '|');
  ASSERT_EQ(paths.size(), 2u);
  EXPECT_EQ(fs::path(paths[0]).filename(), "a.doc");
  EXPECT_EQ(fs::path(paths[1]).filename(), "b.pdf");
  EXPECT_EQ(testing::ReadFile(paths[0]), "AAA");
  EXPECT_EQ(testing::ReadFile(paths[1]), "BBBB");
  for (const auto& path : paths) EXPECT_EQ(path.rfind(folder_.path(), 0), 0u) << path;
  EXPECT_TRUE(fields.extractionFailures.empty());
}

TEST_F(FieldExtractionTest, AttachmentsOfOneNameBothArriveUnderThatName) {
  const MessageFields fields =
      Extract(MemoryDocument().Body("", {{"report.txt", notes::kFileAttachmentType, "first"},
                                         {"report.txt", notes::kFileAttachmentType, "second"}}));
  const auto paths = Split(fields.AttachmentList.substr(1), '|');
  ASSERT_EQ(paths.size(), 2u);
  EXPECT_NE(paths[0], paths[1]);
  EXPECT_EQ(fs::path(paths[0]).filename(), "report.txt");
  EXPECT_EQ(fs::path(paths[1]).filename(), "report.txt");
  EXPECT_EQ(testing::ReadFile(paths[0]), "first");
  EXPECT_EQ(testing::ReadFile(paths[1]), "second");
}

TEST_F(FieldExtractionTest, AttachmentNamesCannotLeaveThePrivateFolder) {
  const MessageFields fields =
      Extract(MemoryDocument().Body("", {{"../../escape.txt", notes::kFileAttachmentType, "1"},
                                         {"..", notes::kFileAttachmentType, "2"},
                                         {"", notes::kFileAttachmentType, "3"},
                                         {"C:\\Users\\x\\evil|name.txt", notes::kFileAttachmentType, "4"}}));
  const auto paths = Split(fields.AttachmentList.substr(1), '|');
  ASSERT_EQ(paths.size(), 4u);
  EXPECT_EQ(fs::path(paths[0]).filename(), "escape.txt");
  EXPECT_EQ(fs::path(paths[1]).filename(), "__");
  EXPECT_EQ(fs::path(paths[2]).filename(), "_");
  EXPECT_EQ(fs::path(paths[3]).filename(), "evilname.txt");
  for (const auto& path : paths) {
    EXPECT_EQ(fs::weakly_canonical(path).string().rfind(fs::weakly_canonical(folder_.path()).string(), 0),
              0u);
    EXPECT_TRUE(fs::is_regular_file(path)) << path;
  }
  // Nothing landed outside the private folder.
  const auto below = testing::TreeBelow(temp_.path());
  for (const auto& entry : below) EXPECT_EQ(entry.rfind("mailshift-", 0), 0u) << entry;
}

TEST_F(FieldExtractionTest, EmbeddedObjectsWithoutFilesGiveAnEmptyList) {
  const MessageFields fields = Extract(MemoryDocument().Body("", {{"link", 1453, "", false}}));
  EXPECT_TRUE(fields.hasEmbedded);
  EXPECT_EQ(fields.AttachmentList, "");

  MemoryDocument noBody;
  noBody.hasEmbedded = true;
  const MessageFields withoutBody = Extract(noBody);
  EXPECT_TRUE(withoutBody.hasEmbedded);
  EXPECT_EQ(withoutBody.AttachmentList, "");
  EXPECT_TRUE(withoutBody.extractionFailures.empty());
}

TEST_F(FieldExtractionTest, AFailedExtractionIsListedAndLeavesNoFile) {
  const MessageFields fields =
      Extract(MemoryDocument().Body("", {{"broken.bin", notes::kFileAttachmentType, "x", true},
                                         {"fine.txt", notes::kFileAttachmentType, "ok"}}));
  const auto paths = Split(fields.AttachmentList.substr(1), '|');
  ASSERT_EQ(paths.size(), 2u);
  EXPECT_EQ(fs::path(paths[0]).filename(), "broken.bin");
  EXPECT_FALSE(fs::exists(paths[0]));
  EXPECT_EQ(testing::ReadFile(paths[1]), "ok");
  ASSERT_EQ(fields.extractionFailures.size(), 1u);
  EXPECT_EQ(fields.extractionFailures[0].name, "broken.bin");
  EXPECT_EQ(fields.extractionFailures[0].reason, "ExtractFile failed");
}

// An attachment whose extraction writes part of the bytes and then fails.
class HalfWrittenAttachment : public notes::EmbeddedObject {
 public:
  int Type() override { return notes::kFileAttachmentType; }
  std::string Name() override { return "half.bin"; }
  void ExtractFile(const std::string& targetPath) override {
    std::ofstream(targetPath) << "first half";
    throw notes::NotesError("connection lost");
  }
};

class BodyWith : public notes::RichTextItem {
 public:
  int Type() override { return notes::kRichTextItemType; }
  std::vector<std::shared_ptr<notes::EmbeddedObject>> EmbeddedObjects() override {
    return {std::make_shared<HalfWrittenAttachment>()};
  }
};

class DocumentWithHalfAttachment : public notes::Document {
 public:
  notes::ItemValues GetItemValue(std::string_view) override { return {}; }
  bool hasitem(std::string_view) override { return false; }
  std::int64_t Size() override { return 0; }
  bool HasEmbedded() override { return true; }
  std::shared_ptr<notes::RichTextItem> GetFirstItem(std::string_view) override {
    return std::make_shared<BodyWith>();
  }
  std::string UniversalID() override { return {}; }
  bool IsEncrypted() override { return false; }
  DateTime Created() override { return {}; }
};

TEST_F(FieldExtractionTest, APartlyExtractedFileIsNotPassedOnAsTheAttachment) {
  DocumentWithHalfAttachment document;
  const MessageFields fields = ExtractMessageFields(document, folder_);
  ASSERT_EQ(fields.extractionFailures.size(), 1u);
  EXPECT_EQ(fields.extractionFailures[0].reason, "connection lost");
  EXPECT_FALSE(fs::exists(fields.AttachmentList.substr(1)));
}

}  // namespace
}  // namespace mailshift::mail
