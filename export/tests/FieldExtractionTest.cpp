#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

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

TEST_F(FieldExtractionTest, CcTakesTheNotesEntryWhereTheInternetOneIsAPlaceholder) {
  EXPECT_EQ(
      Extract(
          MemoryDocument().Text("InetCopyTo", {"x@corp.example", "."}).Text("CopyTo", {"Ann/Org", "Bob/Org"}))
          .CcList,
      "x@corp.example;Bob/Org");
  EXPECT_EQ(Extract(MemoryDocument().Text("InetCopyTo", {"."})).CcList, "");
  EXPECT_EQ(Extract(MemoryDocument().Text("InetCopyTo", {"."}).Text("CopyTo", {"Bob/Org"})).CcList,
            "Bob/Org");
  EXPECT_EQ(Extract(MemoryDocument().Text("CopyTo", {"Bob/Org"})).CcList, "");
  EXPECT_EQ(
      Extract(MemoryDocument().Text("InetCopyTo", {"y@corp.example"}).Text("CopyTo", {"Bob/Org"})).CcList,
      "y@corp.example");
  // An entry without a Notes counterpart stays empty but keeps its separator.
  EXPECT_EQ(
      Extract(MemoryDocument().Text("InetCopyTo", {".", ".", "z@corp.example"}).Text("CopyTo", {"Ann/Org"}))
          .CcList,
      "Ann/Org;;z@corp.example");
  EXPECT_EQ(Extract(MemoryDocument().Text("InetCopyTo", {".", "."})).CcList, ";");
}

TEST_F(FieldExtractionTest, BccFollowsTheSameRules) {
  EXPECT_EQ(Extract(MemoryDocument()
                        .Text("InetBlindCopyTo", {"x@corp.example", "."})
                        .Text("BlindCopyTo", {"Ann/Org", "Bob/Org"})
                        .Text("InetCopyTo", {"cc@corp.example"}))
                .BccList,
            "x@corp.example;Bob/Org");
  EXPECT_EQ(Extract(MemoryDocument().Text("InetBlindCopyTo", {"."}).Text("BlindCopyTo", {"Bob/Org"})).BccList,
            "Bob/Org");
  EXPECT_EQ(Extract(MemoryDocument().Text("BlindCopyTo", {"Bob/Org"})).BccList, "");
}

TEST_F(FieldExtractionTest, ToPrefersTheInternetListAsAWhole) {
  const auto notesOnly = [] { return MemoryDocument().Text("SendTo", {"A/Org", "B/Org"}); };
  EXPECT_EQ(Extract(notesOnly()).to, "A/Org;B/Org");
  EXPECT_EQ(Extract(notesOnly().Text("InetSendTo", {"x@a.example", "y@b.example"})).to,
            "x@a.example;y@b.example");
  EXPECT_EQ(Extract(notesOnly().Text("InetSendTo", {".", "y@b.example"})).to, "A/Org;B/Org");
  // A placeholder after an address keeps the Notes-form recipient at its place.
  EXPECT_EQ(Extract(notesOnly().Text("InetSendTo", {"x@a.example", "."})).to, "x@a.example;B/Org");
  EXPECT_EQ(Extract(MemoryDocument().Text("SendTo", {"A/Org"}).Text("InetSendTo", {"x@a.example", "."})).to,
            "x@a.example;");
  EXPECT_EQ(Extract(MemoryDocument().Text("SendTo", {"A/Org"}).Text("InetSendTo", {"x@a.example"})).to,
            "x@a.example");
  EXPECT_EQ(Extract(MemoryDocument().Text("InetSendTo", {"x@a.example"})).to, "x@a.example");
  EXPECT_EQ(Extract(MemoryDocument()).to, "");
}

TEST_F(FieldExtractionTest, SenderPrefersTheInternetAddress) {
  EXPECT_EQ(Extract(MemoryDocument().Text("From", {"John Doe/Org"}).Text("INetFrom", {"."})).from,
            "John Doe/Org");
  EXPECT_EQ(
      Extract(MemoryDocument().Text("From", {"John Doe/Org"}).Text("INetFrom", {"john@org.example"})).from,
      "john@org.example");
  EXPECT_EQ(Extract(MemoryDocument().Text("From", {"John Doe/Org"})).from, "John Doe/Org");
  // An empty Internet value carries no address and must not wipe out the sender.
  EXPECT_EQ(Extract(MemoryDocument().Text("From", {"John Doe/Org"}).Text("INetFrom", {""})).from,
            "John Doe/Org");
  EXPECT_EQ(Extract(MemoryDocument().Text("SendTo", {"A/Org"}).Text("InetSendTo", {""})).to, "A/Org");
}

TEST_F(FieldExtractionTest, ReadsSubjectDateAndBodyAsText) {
  const DateTime posted{1225895400, 60};
  const MessageFields fields = Extract(MemoryDocument()
                                           .Text("Subject", {"  Budget  ", "second value"})
                                           .Date("PostedDate", posted)
                                           .Body("Line 1\r\nLine 2"));
  EXPECT_EQ(fields.subject, "  Budget  ");  // trimming is the run's business
  EXPECT_EQ(fields.date, DateText(posted));
  EXPECT_EQ(ParseDateText(fields.date)->secondsSinceEpoch, posted.secondsSinceEpoch);
  EXPECT_EQ(fields.body, "Line 1\r\nLine 2");
  EXPECT_FALSE(fields.hasEmbedded);
  EXPECT_EQ(fields.AttachmentList, "");

  MemoryDocument draft = MemoryDocument().Text("Subject", {"Draft"});
  draft.created = DateTime{1225000000, 0};
  const MessageFields unsent = Extract(draft);
  EXPECT_EQ(unsent.date, DateText(draft.created));  // never the day of the export
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
  EXPECT_EQ(fields.CcList, "\"Hal Okafor/IT/Corvane\" <hal.okafor@corvane.example>;dee@fox.example");

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
  EXPECT_EQ(read(draft, "PostedDate"), DateText(draft.created));
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
