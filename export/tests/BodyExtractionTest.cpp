#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <utility>

#include "export/BodyExtraction.h"
#include "export/tests/RecordingExport.h"
#include "notes/testing/MemoryNotes.h"

namespace mailshift::mail {
namespace {

namespace fs = std::filesystem;
using notes::testing::MemoryDocument;
using notes::testing::MemoryEmbedded;
using notes::testing::MemoryMimeEntity;
using notes::testing::MemoryNotesClient;

MemoryMimeEntity Part(const std::string& type, const std::string& subType, const std::string& content,
                      const std::string& moreHeaders = "") {
  return {type, subType, "Content-Type: " + type + "/" + subType + "\r\n" + moreHeaders, content, {}, false};
}

MemoryMimeEntity Multipart(const std::string& subType, std::vector<MemoryMimeEntity> children) {
  return {"multipart",         subType, "Content-Type: multipart/" + subType + "; boundary=x\r\n", "",
          std::move(children), false};
}

std::string Content(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// A part's content, held in memory or waiting in its file.
std::string Content(const BodyPart& part) { return part.content ? *part.content : Content(part.contentFile); }

class BodyExtractionTest : public ::testing::Test {
 protected:
  // Reads the document's fields and then its body, as the export run does.
  MessageFields Read(MemoryDocument document) {
    auto& database = client_.AddDatabase("mail" + std::to_string(++databases_) + ".nsf");
    database.AddView("($Inbox)", true, {database.AddDocument(std::move(document))});
    auto session = client_.CreateObject(notes::kDominoSessionClass);
    auto opened = session->GetDatabase("", "mail" + std::to_string(databases_) + ".nsf")
                      ->GetView("($Inbox)")
                      ->GetFirstDocument();
    MessageFields fields = ExtractMessageFields(*opened, folder_);
    ReadMessageBody(*opened, folder_, fields, plainText_);
    return fields;
  }

  bool plainText_ = false;

  testing::ScratchTemporaryFolder temp_;
  MemoryNotesClient client_;
  int databases_ = 0;
  AttachmentFolder folder_;
};

TEST_F(BodyExtractionTest, AMimeBodyIsReadOnlyWhileTheSessionKeepsMime) {
  const auto document = [] {
    MemoryDocument mime;
    mime.Text("Body", {"plain"});
    mime.mimeBody =
        Multipart("alternative", {Part("text", "plain", "plain", ""), Part("text", "html", "<p>x</p>")});
    return mime;
  };
  // A session that converts MIME to rich text shows no MIME entity: the plain text stays the body.
  EXPECT_FALSE(Read(document()).bodyParts);

  client_.convertMime = false;
  const MessageFields fields = Read(document());
  ASSERT_TRUE(fields.bodyParts);
  EXPECT_EQ(fields.bodyParts->mediaType, "multipart/alternative");
  ASSERT_EQ(fields.bodyParts->parts.size(), 2u);
  EXPECT_EQ(Content(fields.bodyParts->parts[1]), "<p>x</p>");
  EXPECT_TRUE(fields.plainBodyReason.empty());
}

TEST_F(BodyExtractionTest, APartThatCannotBeReadIsLeftOutAndReported) {
  client_.convertMime = false;
  MemoryDocument mime;
  mime.mimeBody = Multipart("alternative", {Part("text", "plain", "kept"), Part("text", "html", "lost")});
  mime.mimeBody->children[1].failContent = true;
  const MessageFields fields = Read(std::move(mime));
  // The alternative left with one part is that part.
  ASSERT_TRUE(fields.bodyParts);
  EXPECT_EQ(fields.bodyParts->mediaType, "text/plain");
  EXPECT_EQ(Content(*fields.bodyParts), "kept");
  ASSERT_EQ(fields.extractionFailures.size(), 1u);
  EXPECT_EQ(fields.extractionFailures[0].name, "text/html");
}

TEST_F(BodyExtractionTest, EveryAttachedFileArrivesOnceInTheListedOrder) {
  client_.convertMime = false;
  MemoryDocument mime;
  mime.mimeBody = Multipart("mixed", {Part("text", "plain", "see attached"),
                                      Part("application", "pdf", "pdf",
                                           "Content-Disposition: attachment;\r\n filename=\"a b.pdf\"\r\n")});
  mime.filesOutsideBody = {MemoryEmbedded{"a b.pdf", notes::kFileAttachmentType, "pdf", false},
                           MemoryEmbedded{"notes.txt", notes::kFileAttachmentType, "outside", false}};
  const MessageFields fields = Read(std::move(mime));
  // The MIME part's file, named by the document's attachments too, comes once; the file outside
  // the body after it.
  ASSERT_EQ(fields.attachmentFiles.size(), 2u);
  EXPECT_EQ(fs::path(fields.attachmentFiles[0]).filename(), "a b.pdf");
  EXPECT_EQ(fs::path(fields.attachmentFiles[1]).filename(), "notes.txt");
  EXPECT_EQ(Content(fields.attachmentFiles[1]), "outside");
  EXPECT_EQ(fields.AttachmentList, "|" + fields.attachmentFiles[0] + "|" + fields.attachmentFiles[1]);
  // The attachment part keeps its own media type; the file outside the body names none.
  EXPECT_EQ(fields.attachmentMediaTypes,
            (std::map<std::string, std::string>{{fields.attachmentFiles[0], "application/pdf"}}));

  // Rich text: its embedded files are not taken again as files of the document.
  const MessageFields rich =
      Read(MemoryDocument().Body("text", {MemoryEmbedded{"x.doc", notes::kFileAttachmentType, "x", false}}));
  EXPECT_EQ(rich.attachmentFiles.size(), 1u);
  EXPECT_FALSE(rich.bodyParts);
}

TEST_F(BodyExtractionTest, TheRootEntityGivesTheThreadFieldsAndTheKeptFieldsOnly) {
  client_.convertMime = false;
  MemoryDocument mime;
  mime.Text("$MessageID", {"<item@example.com>"}).Text("$InReplyTo", {"<item-parent@example.com>"});
  mime.mimeBody = Part("text", "plain", "hello",
                       "Message-ID: <own@example.com>\r\nReferences: <a@example.com>\r\n <b@example.com>\r\n"
                       "From: x@example.com\r\nSubject: not again\r\nReceived: from a by b\r\n"
                       "reply-to: desk@example.com\r\nList-Id: <list.example.com>\r\nX-Other: no\r\n"
                       "Importance: low\r\n");
  const MessageFields fields = Read(std::move(mime));
  EXPECT_EQ(fields.headers.messageId, "<own@example.com>");
  EXPECT_EQ(fields.headers.inReplyTo, "<item-parent@example.com>");  // none of its own: the item's
  EXPECT_EQ(fields.headers.references, "<a@example.com> <b@example.com>");
  using Fields = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(fields.headers.otherFields,
            (Fields{{"reply-to", "desk@example.com"}, {"List-Id", "<list.example.com>"}}));

  // Rich text converted to MIME is the program's own rendition: its headers give nothing.
  MemoryDocument rich;
  rich.Body("text");
  rich.convertedBody = Multipart("alternative", {Part("text", "plain", "text", "Message-ID: <made@x>\r\n"),
                                                 Part("text", "html", "<p>text</p>")});
  const MessageFields converted = Read(std::move(rich));
  EXPECT_TRUE(converted.headers.messageId.empty());
  EXPECT_TRUE(converted.headers.otherFields.empty());
}

TEST_F(BodyExtractionTest, SmallPartsAreHeldInMemoryAndLargeOnesGoThroughAFile) {
  client_.convertMime = false;
  MemoryDocument mime;
  const std::string large(300 * 1024, 'p');
  mime.mimeBody = Multipart("related", {Part("text", "html", "<img src=cid:p>"),
                                        Part("image", "png", large, "Content-ID: <p>\r\n")});
  const MessageFields fields = Read(std::move(mime));
  ASSERT_TRUE(fields.bodyParts);
  ASSERT_EQ(fields.bodyParts->parts.size(), 2u);
  EXPECT_EQ(fields.bodyParts->parts[0].content, "<img src=cid:p>");
  EXPECT_TRUE(fields.bodyParts->parts[0].contentFile.empty());
  EXPECT_FALSE(fields.bodyParts->parts[1].content);
  EXPECT_EQ(Content(fields.bodyParts->parts[1].contentFile), large);
}

TEST_F(BodyExtractionTest, ABodyEncryptedForAnotherIdIsNotReadAgainAsMime) {
  client_.convertMime = false;
  MemoryDocument sealed;
  sealed.encrypted = true;
  sealed.Text("Body", {"secret"});
  sealed.items.back().failRead = true;
  sealed.mimeBody = Part("text", "plain", "secret");
  sealed.filesOutsideBody = {MemoryEmbedded{"open.txt", notes::kFileAttachmentType, "readable", false}};
  const MessageFields fields = Read(std::move(sealed));
  ASSERT_EQ(fields.unreadableItems.size(), 1u);
  EXPECT_FALSE(fields.bodyParts);
  EXPECT_TRUE(fields.extractionFailures.empty());  // said once, among the items not read
  ASSERT_EQ(fields.attachmentFiles.size(), 1u);    // what can be read still comes
}

TEST_F(BodyExtractionTest, RichTextThatCannotBeConvertedSaysWhy) {
  MemoryDocument old;
  old.Body("plain as it was");
  old.cannotConvert = true;
  const MessageFields fields = Read(std::move(old));
  EXPECT_FALSE(fields.bodyParts);
  EXPECT_EQ(fields.body, "plain as it was");
  EXPECT_EQ(fields.plainBodyReason,
            "the rich text could not be converted to MIME: ConvertToMIME is not a member of this client");
}

}  // namespace
}  // namespace mailshift::mail

namespace mailshift::mail {
namespace {

// A damaged or hostile body: what lies past the limits is left out with one line per cause, and
// a multipart without parts keeps its content.
TEST_F(BodyExtractionTest, DamagedBodiesAreToldOncePerCauseAndKeepWhatTheyHold) {
  client_.convertMime = false;
  MemoryMimeEntity deep = Part("text", "plain", "deepest");
  for (int level = 0; level < 40; ++level) deep = Multipart("mixed", {Part("text", "plain", "level"), deep});
  std::vector<MemoryMimeEntity> many(10'050, Part("text", "plain", "x"));
  MemoryMimeEntity childless = Multipart("mixed", {});
  childless.content = "what the part held";
  struct Case {
    MemoryMimeEntity body;
    std::vector<std::string> failures;
    std::string keptContent;  // of the body's first leaf; "" for no check
  };
  const std::vector<Case> cases{
      {Multipart("mixed", many), {"the MIME body has too many parts; those beyond are left out"}, "x"},
      {Multipart("mixed", {Part("text", "plain", "top"), deep}),
       {"the MIME body nests too deep; the parts below are left out"},
       "top"},
      {childless, {}, "what the part held"},
  };
  for (const Case& c : cases) {
    MemoryDocument document;
    document.mimeBody = c.body;
    const MessageFields fields = Read(std::move(document));
    std::vector<std::string> failures;
    for (const auto& failure : fields.extractionFailures) {
      failures.push_back(failure.reason);
      EXPECT_FALSE(failure.attachment) << failure.reason;  // no attachment was lost
    }
    EXPECT_EQ(failures, c.failures);
    ASSERT_TRUE(fields.bodyParts);
    const BodyPart* leaf = &*fields.bodyParts;
    while (!leaf->parts.empty()) leaf = &leaf->parts.front();
    EXPECT_EQ(Content(*leaf), c.keptContent);
  }
}

}  // namespace
}  // namespace mailshift::mail

namespace mailshift::mail {
namespace {

// Every attached file arrives typed: the MIME part's own media type, charset and name (RFC 2231
// and RFC 2047 names decoded), the stored files' type told by their bytes or name, and each size.
TEST_F(BodyExtractionTest, EveryAttachmentIsTypedWithItsNameMediaTypeCharsetAndSize) {
  client_.convertMime = false;
  MemoryDocument document;
  document.Text("Body", {"plain"});
  document.mimeBody = Multipart(
      "mixed", {Part("text", "plain", "body"),
                MemoryMimeEntity{"text",
                                 "plain",
                                 "Content-Type: text/plain; charset=UTF-8\r\n"
                                 "Content-Disposition: attachment; filename*=UTF-8''Gr%C3%BC%C3%9Fe.txt\r\n",
                                 "Gr\xC3\xBC\xC3\x9F"
                                 "e",
                                 {},
                                 false},
                Part("application", "pdf", "%PDF-1.4",
                     "Content-Disposition: attachment;\r\n filename*0*=UTF-8''%E4%BC%9A%E8%AD%B0;\r\n "
                     "filename*1=.pdf\r\n"),
                Part("image", "jpeg", "\xFF\xD8\xFF",
                     "Content-Disposition: attachment; filename=\"=?UTF-8?Q?F=C3=B6to?=.jpg\"\r\n")});
  document.filesOutsideBody.push_back({"chart.gif", notes::kFileAttachmentType, "GIF89a.....", false});
  document.filesOutsideBody.push_back({"notes.txt", notes::kFileAttachmentType, "plain words", false});
  const MessageFields fields = Read(document);

  struct Expected {
    AttachmentSource source;
    const char* fileName;
    const char* mediaType;
    const char* charset;
    std::int64_t size;
  };
  const Expected expected[] = {
      {AttachmentSource::MimePart, "Grüße.txt", "text/plain", "UTF-8", 7},
      {AttachmentSource::MimePart, "会議.pdf", "application/pdf", "", 8},
      {AttachmentSource::MimePart, "Föto.jpg", "image/jpeg", "", 3},
      {AttachmentSource::OutsideBody, "chart.gif", "image/gif", "", 11},
      {AttachmentSource::OutsideBody, "notes.txt", "text/plain", "utf-8", 11},
  };
  ASSERT_EQ(fields.attachments.size(), std::size(expected));
  ASSERT_EQ(fields.attachmentFiles.size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    const Attachment& got = fields.attachments[i];
    SCOPED_TRACE(expected[i].fileName);
    EXPECT_EQ(got.source, expected[i].source);
    EXPECT_EQ(got.file, fields.attachmentFiles[i]);
    EXPECT_EQ(fs::path(got.file).filename().string(), expected[i].fileName);
    EXPECT_EQ(got.mediaType, expected[i].mediaType);
    const std::string charset = got.parameters.empty() ? "" : got.parameters.front().second;
    EXPECT_EQ(charset, expected[i].charset);
    EXPECT_EQ(got.size, expected[i].size);
  }
}

}  // namespace
}  // namespace mailshift::mail

namespace mailshift::mail {
namespace {

// The plain body changes the body alone: the same documents give the same attachments, thread
// fields and names, with the plain text as the body and no conversion asked for.
TEST_F(BodyExtractionTest, ThePlainBodyChangesTheBodyAlone) {
  client_.convertMime = false;
  const auto documents = [] {
    MemoryDocument mime;
    mime.mimeBody = Multipart("mixed", {Part("text", "plain", "see attached", ""),
                                        Part("application", "pdf", "%PDF",
                                             "Content-Disposition: attachment; filename=\"a.pdf\"\r\n")});
    mime.mimeBody->headers =
        "From: Pat Quinn <pat@photo.example>\r\nMessage-ID: <own@photo.example>\r\n" + mime.mimeBody->headers;
    mime.Text("From", {"pat@photo.example"});
    mime.filesOutsideBody = {MemoryEmbedded{"notes.txt", notes::kFileAttachmentType, "outside", false}};
    MemoryDocument rich =
        MemoryDocument().Body("rich text", {MemoryEmbedded{"x.doc", notes::kFileAttachmentType, "x", false}});
    rich.filesOutsideBody = {MemoryEmbedded{"y.txt", notes::kFileAttachmentType, "y", false}};
    return std::vector<MemoryDocument>{mime, rich};
  };
  for (const MemoryDocument& document : documents()) {
    plainText_ = false;
    const MessageFields whole = Read(document);
    plainText_ = true;
    const MessageFields plain = Read(document);
    EXPECT_FALSE(plain.bodyParts);
    ASSERT_EQ(plain.attachments.size(), whole.attachments.size());
    for (std::size_t i = 0; i < plain.attachments.size(); ++i) {
      EXPECT_EQ(fs::path(plain.attachments[i].file).filename(),
                fs::path(whole.attachments[i].file).filename());
      EXPECT_EQ(plain.attachments[i].mediaType, whole.attachments[i].mediaType);
    }
    EXPECT_EQ(plain.headers.messageId, whole.headers.messageId);
    EXPECT_EQ(plain.people, whole.people);
    EXPECT_FALSE(plain.body.empty());
  }
  EXPECT_EQ(Read(documents()[0]).people.from.front().displayName, "Pat Quinn");
}

}  // namespace
}  // namespace mailshift::mail
