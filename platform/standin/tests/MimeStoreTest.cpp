// Mail as it was sent in the stand-in store: items stored as MIME, rich text with its conversion,
// files attached outside the body; their fixture keys, their dump, and older stores without them.
#include <gtest/gtest.h>

#include "platform/standin/StandInNotesClient.h"
#include "platform/standin/StoreFixture.h"
#include "platform/standin/StoreWriter.h"
#include "platform/standin/tests/StoreTestSupport.h"

namespace mailshift::standin {
namespace {

using notes::NotesError;
using testing::FirstText;
using testing::ReadBytes;
using testing::ScratchFolder;

constexpr const char* kMail = R"json({
  "title": "Mail",
  "views": [{"name": "($Inbox)", "folder": true, "documents": ["internet", "notes", "plain", "sealed"]}],
  "documents": [
    {"id": "internet", "items": [
      {"name": "Subject", "text": ["Photos"]},
      {"name": "Body", "mime": {"type": "multipart/mixed",
        "headers": ["Message-ID: <a.1@example.com>", "References: <r.1@example.com>", " <r.2@example.com>",
                    "Content-Type: multipart/mixed; boundary=\"b\""],
        "parts": [
          {"type": "multipart/alternative", "headers": ["Content-Type: multipart/alternative"], "parts": [
            {"type": "text/plain", "headers": ["Content-Type: text/plain; charset=UTF-8"], "text": "Gr\u00fc\u00dfe\r\n"},
            {"type": "text/html", "headers": ["Content-Type: text/html"], "text": "<p>Gr\u00fc\u00dfe</p>"}]},
          {"type": "image/png", "headers": ["Content-ID: <p1@example.com>"], "base64": "iVBORw0K"},
          {"type": "application/pdf", "headers": ["Content-Disposition: attachment; filename=a.pdf"]}]}}]},
    {"id": "notes", "items": [
      {"name": "Body", "richtext": "Hello team", "embedded": [{"name": "plan.ods", "base64": "UEsD"}],
       "converted": {"type": "multipart/alternative", "headers": ["Content-Type: multipart/alternative"], "parts": [
         {"type": "text/plain", "text": "Hello team\r\n"},
         {"type": "text/html", "text": "<p>Hello <b>team</b></p>"}]}}],
     "files": [{"name": "minutes.txt", "base64": "bWludXRlcw=="}, {"name": "agenda.pdf", "base64": "JVBERg=="}]},
    {"id": "plain", "items": [{"name": "Body", "richtext": "Just text"}]},
    {"id": "sealed", "encrypted": true, "items": [
      {"name": "Body", "encrypted": true, "mime": {"type": "text/plain", "text": "secret"}}]}
  ]
})json";

class MimeStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    BuildStoreFromText(kMail, store_);
    session_ = client_.CreateObject(notes::kDominoSessionClass);
  }

  std::shared_ptr<notes::Document> Document(std::size_t position) {
    auto view = session_->GetDatabase("", store_.string())->GetView("($Inbox)");
    auto document = view->GetFirstDocument();
    for (std::size_t i = 0; i < position; ++i) document = view->GetNextDocument(document);
    return document;
  }

  std::string Content(notes::MIMEEntity& entity) {
    const auto file = folder_ / ("content" + std::to_string(++files_));
    entity.WriteContentToFile(file.string());
    return ReadBytes(file);
  }

  ScratchFolder folder_;
  std::filesystem::path store_ = folder_ / "Mail.nsf";
  StandInNotesClient client_;
  std::shared_ptr<notes::Session> session_;
  int files_ = 0;
};

TEST_F(MimeStoreTest, AMimeItemGivesItsEntitiesOnlyWhileTheSessionKeepsMime) {
  // Converting MIME on opening, as a session does by default: rich text of the first plain text.
  auto converting = Document(0);
  EXPECT_EQ(converting->GetMIMEEntity("Body"), nullptr);
  EXPECT_EQ(converting->GetFirstItem("Body")->Type(), notes::kRichTextItemType);
  EXPECT_EQ(FirstText(*converting, "Body"),
            "Gr\xC3\xBC\xC3\x9F"
            "e\r\n");

  session_->SetConvertMIME(false);
  EXPECT_FALSE(session_->ConvertMIME());
  auto document = Document(0);
  EXPECT_EQ(document->GetFirstItem("Body")->Type(), notes::kMimePartItemType);
  auto root = document->GetMIMEEntity("body");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->ContentType() + "/" + root->ContentSubType(), "multipart/mixed");
  EXPECT_EQ(root->Headers(),
            "Message-ID: <a.1@example.com>\r\nReferences: <r.1@example.com>\r\n <r.2@example.com>\r\n"
            "Content-Type: multipart/mixed; boundary=\"b\"\r\n");
  EXPECT_EQ(root->GetNextSibling(), nullptr);

  auto alternative = root->GetFirstChildEntity();
  ASSERT_NE(alternative, nullptr);
  EXPECT_EQ(alternative->ContentSubType(), "alternative");
  auto text = alternative->GetFirstChildEntity();
  auto html = text->GetNextSibling();
  ASSERT_NE(html, nullptr);
  EXPECT_EQ(html->GetNextSibling(), nullptr);
  EXPECT_EQ(Content(*text),
            "Gr\xC3\xBC\xC3\x9F"
            "e\r\n");
  EXPECT_EQ(Content(*html),
            "<p>Gr\xC3\xBC\xC3\x9F"
            "e</p>");
  auto picture = alternative->GetNextSibling();
  EXPECT_EQ(picture->ContentType(), "image");
  EXPECT_EQ(picture->Headers(), "Content-ID: <p1@example.com>\r\n");
  EXPECT_EQ(Content(*picture), std::string("\x89PNG\r\n", 6));
  auto empty = picture->GetNextSibling();
  EXPECT_EQ(empty->ContentSubType(), "pdf");
  EXPECT_EQ(Content(*empty), "");
  EXPECT_EQ(empty->GetFirstChildEntity(), nullptr);
  EXPECT_EQ(empty->GetNextSibling(), nullptr);
  // An item not stored as MIME gives no entity.
  EXPECT_EQ(document->GetMIMEEntity("Subject"), nullptr);
}

TEST_F(MimeStoreTest, RichTextConvertsToItsStoredConversionOrToItsTextAlone) {
  session_->SetConvertMIME(false);
  auto notes = Document(1);
  EXPECT_EQ(notes->GetMIMEEntity("Body"), nullptr);  // not before ConvertToMIME
  notes->ConvertToMIME(notes::kConvertToPlainTextAndHtml);
  auto root = notes->GetMIMEEntity("Body");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->ContentSubType(), "alternative");
  EXPECT_EQ(Content(*root->GetFirstChildEntity()->GetNextSibling()), "<p>Hello <b>team</b></p>");
  EXPECT_EQ(FirstText(*notes, "Body"), "Hello team");  // the item itself is unchanged

  auto plain = Document(2);
  plain->ConvertToMIME(notes::kConvertToPlainTextAndHtml);
  auto text = plain->GetMIMEEntity("Body");
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->ContentType() + "/" + text->ContentSubType(), "text/plain");
  EXPECT_EQ(Content(*text), "Just text");
}

TEST_F(MimeStoreTest, FilesOutsideTheBodyAreAttachmentsThatTheBodyDoesNotEmbed) {
  auto notes = Document(1);
  EXPECT_TRUE(notes->HasEmbedded());
  EXPECT_TRUE(notes->hasitem("$FILE"));
  EXPECT_EQ(notes->GetFirstItem("Body")->EmbeddedObjects().size(), 1u);
  EXPECT_EQ(notes->AttachmentNames(), (std::vector<std::string>{"plan.ods", "minutes.txt", "agenda.pdf"}));
  auto minutes = notes->GetAttachment("minutes.txt");
  ASSERT_NE(minutes, nullptr);
  EXPECT_EQ(minutes->Type(), notes::kFileAttachmentType);
  minutes->ExtractFile((folder_ / "minutes.txt").string());
  EXPECT_EQ(ReadBytes(folder_ / "minutes.txt"), "minutes");
  EXPECT_EQ(notes->GetAttachment("nothing.txt"), nullptr);
  EXPECT_TRUE(Document(0)->AttachmentNames().empty());
}

TEST_F(MimeStoreTest, AnEncryptedMimeBodyCannotBeReadAsMimeEither) {
  session_->SetConvertMIME(false);
  auto sealed = Document(3);
  EXPECT_TRUE(sealed->IsEncrypted());
  EXPECT_THROW(sealed->GetMIMEEntity("Body"), NotesError);
  EXPECT_THROW(sealed->GetItemValue("Body"), NotesError);
}

TEST_F(MimeStoreTest, TheDumpBuildsTheSameStore) {
  const nlohmann::json dump = DumpStore(store_);
  const auto& notes = dump["documents"][1];
  EXPECT_EQ(notes["files"].size(), 2u);
  EXPECT_EQ(notes["items"].size(), 1u);  // the "$FILE" items are the files
  EXPECT_EQ(notes["items"][0]["converted"]["parts"][1]["type"], "text/html");
  EXPECT_EQ(dump["documents"][0]["items"][1]["mime"]["headers"][2], " <r.2@example.com>");
  BuildStore(dump, folder_ / "Again.nsf");
  EXPECT_EQ(DumpStore(folder_ / "Again.nsf"), dump);
}

TEST(MimeStoreLargeTest, ContentStreamsChunkByChunk) {
  ScratchFolder folder;
  std::string bytes(kContentChunkBytes * 2 + 4321, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 2654435761u) >> 11);
  {
    StoreWriter writer(folder / "Big.nsf");
    DocumentSpec document;
    document.id = "big";
    ItemSpec body{"Body", ItemKind::MimePart, {}, {}};
    body.mime = MimeEntitySpec{"image", "png", "Content-Type: image/png\r\n", BytesContent(bytes), {}};
    document.items.push_back(std::move(body));
    writer.AddView("($Inbox)", true, {writer.AddDocument(std::move(document))});
    writer.Commit();
  }
  StandInNotesClient client;
  auto session = client.CreateObject(notes::kDominoSessionClass);
  session->SetConvertMIME(false);
  auto root = session->GetDatabase("", (folder / "Big.nsf").string())
                  ->GetView("($Inbox)")
                  ->GetFirstDocument()
                  ->GetMIMEEntity("Body");
  ASSERT_NE(root, nullptr);
  root->WriteContentToFile((folder / "big.png").string());
  EXPECT_EQ(ReadBytes(folder / "big.png"), bytes);
}

TEST(MimeStoreFixtureTest, RefusesEntitiesThatBreakTheFormat) {
  ScratchFolder folder;
  const auto refused = [&](const std::string& item) {
    const std::string fixture =
        R"({"title": "M", "views": [], "documents": [{"id": "x", "items": [)" + item + "]}]}";
    try {
      BuildStoreFromText(fixture, folder / "Bad.nsf");
    } catch (const FixtureError& error) {
      return std::string(error.what());
    }
    return std::string("built");
  };
  EXPECT_EQ(refused(R"({"name": "Body", "mime": {"type": "text"}})"),
            "documents[0].items[0].mime.type: not a media type like \"text/plain\"");
  EXPECT_EQ(refused(R"({"name": "Body", "mime": {"type": "multipart/mixed", "text": "a", "parts": []}})"),
            "documents[0].items[0].mime: an entity holds either \"parts\" or content");
  EXPECT_EQ(refused(R"({"name": "Body", "mime": {"type": "text/plain", "headers": ["A: b\r\nC: d"]}})"),
            "documents[0].items[0].mime.headers[0]: a header line holds a line break");
  EXPECT_EQ(refused(R"({"name": "Body", "text": ["a"], "converted": {"type": "text/plain"}})"),
            "documents[0].items[0].converted: only a \"richtext\" item converts to MIME");
  EXPECT_FALSE(std::filesystem::exists(folder / "Bad.nsf"));
}

TEST(MimeStoreVersionTest, AStoreOfVersionThreeStillReadsWithoutMime) {
  ScratchFolder folder;
  BuildStoreFromText(R"json({"title": "Old", "views": [{"name": "($Inbox)", "folder": true,
    "documents": ["d"]}], "documents": [{"id": "d", "items": [{"name": "Body", "richtext": "old text"}]}]})json",
                     folder / "Old.nsf");
  testing::Tamper(folder / "Old.nsf",
                  "DROP TABLE mime_entities; DROP TABLE mime_content; PRAGMA user_version = 3;");
  StandInNotesClient client;
  auto session = client.CreateObject(notes::kDominoSessionClass);
  session->SetConvertMIME(false);
  auto document =
      session->GetDatabase("", (folder / "Old.nsf").string())->GetView("($Inbox)")->GetFirstDocument();
  EXPECT_EQ(document->GetMIMEEntity("Body"), nullptr);
  document->ConvertToMIME(notes::kConvertToPlainTextAndHtml);
  auto text = document->GetMIMEEntity("Body");
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->ContentSubType(), "plain");
  EXPECT_EQ(DumpStore(folder / "Old.nsf")["documents"][0]["items"][0]["richtext"], "old text");
  // A store that claims version 4 without the MIME tables is no store.
  testing::Tamper(folder / "Old.nsf", "PRAGMA user_version = 4;");
  EXPECT_THROW(testing::OpenStore(folder / "Old.nsf")->Title(), NotesError);
}

}  // namespace
}  // namespace mailshift::standin
