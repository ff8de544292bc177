// The stand-in Notes client on files that are not good stores: unreadable, damaged and hostile.
// Nothing may crash, every failure is a NotesError, and the file is never written.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string_view>
#include <thread>

#include "platform/standin/DocumentPrefetch.h"
#include "platform/standin/StoreFixture.h"
#include "platform/standin/StoreFormat.h"
#include "platform/standin/StoreWriter.h"
#include "platform/standin/tests/StoreTestSupport.h"

namespace mailshift::standin {
namespace {

using notes::DatabaseReadElsewhere;
using notes::NotesError;
using testing::FirstText;
using testing::OpenStore;
using testing::ReadBytes;
using testing::ReadEverything;
using testing::ScratchFolder;
using testing::Tamper;
using testing::WriteBytes;

// One document of every value kind, with a 300 KB attachment so the store spans many pages.
void BuildSmallMailbox(const std::filesystem::path& store) {
  StoreWriter writer(store);
  writer.SetTitle("Mail");
  DocumentSpec document;
  document.id = "m1";
  document.items.push_back(ItemSpec{"Subject", ItemKind::Text, {std::string("Hello")}, {}});
  document.items.push_back(ItemSpec{"Count", ItemKind::Number, {2.0}, {}});
  document.items.push_back(ItemSpec{"PostedDate", ItemKind::DateTime, {DateTime{1225913400, -300}}, {}});
  ItemSpec body{"Body", ItemKind::RichText, {std::string("text")}, {}};
  body.embedded.push_back(
      EmbeddedSpec{"a.bin", notes::kFileAttachmentType, BytesContent(std::string(300000, 'x'))});
  document.items.push_back(std::move(body));
  const auto m1 = writer.AddDocument(std::move(document));
  writer.AddView("($Inbox)", true, {m1});
  writer.Commit();
}

// The reason, when given, is the one the failure names after the file.
void ExpectNoReadableData(const std::filesystem::path& file, std::string_view reason = {}) {
  std::shared_ptr<notes::Database> database;
  ASSERT_NO_THROW(database = OpenStore(file));
  ASSERT_NE(database, nullptr);
  try {
    database->Views();
    ADD_FAILURE() << "Views gave views for " << file;
  } catch (const NotesError& error) {
    EXPECT_NE(std::string(error.what()).find(file.string()), std::string::npos) << error.what();
    if (!reason.empty()) {
      EXPECT_EQ(error.what(), file.string() + ": " + std::string(reason));
    }
  }
  EXPECT_THROW(database->Title(), NotesError);
  EXPECT_THROW(database->GetView("($Inbox)"), NotesError);
  EXPECT_THROW(DumpStore(file), std::runtime_error);
}

class UnreadableFileTest : public ::testing::Test {
 protected:
  ScratchFolder folder_;
  std::filesystem::path file_ = folder_ / "Mail.nsf";
};

TEST_F(UnreadableFileTest, MissingFile) { ExpectNoReadableData(file_); }

TEST_F(UnreadableFileTest, EmptyFile) {
  WriteBytes(file_, "");
  ExpectNoReadableData(file_, "the file is empty");
}

TEST_F(UnreadableFileTest, FolderInsteadOfAFile) {
  std::filesystem::create_directories(file_);
  ExpectNoReadableData(file_);
}

// A Notes database is named as one, with where it can be read; also one shorter than a store's
// header. Other files are not taken for one: a picture renamed, or 0x1A followed by anything else.
TEST_F(UnreadableFileTest, NotesDatabaseBytesAreToldApartFromOtherFiles) {
  std::string bytes(65536, '\0');
  bytes[0] = '\x1A';
  bytes[3] = '\x04';
  for (std::size_t i = 6; i < bytes.size(); i += 7) bytes[i] = static_cast<char>(i * 31);
  WriteBytes(file_, bytes);
  ExpectNoReadableData(file_, kNotesDatabaseReason);
  WriteBytes(file_, bytes.substr(0, 2));
  ExpectNoReadableData(file_, kNotesDatabaseReason);
  EXPECT_THROW(OpenStore(file_)->Views(), DatabaseReadElsewhere);

  WriteBytes(file_, std::string("\x89PNG\r\n\x1A\n", 8) + std::string(4096, '\0'));
  ExpectNoReadableData(file_, "not a mail store");
  WriteBytes(file_, std::string(4096, '\x1A'));
  ExpectNoReadableData(file_, "not a mail store");
  try {
    OpenStore(file_)->Views();
  } catch (const DatabaseReadElsewhere&) {
    ADD_FAILURE() << "another file taken for a database read elsewhere";
  } catch (const NotesError&) {
  }
}

TEST_F(UnreadableFileTest, RandomBytesAndText) {
  std::string bytes(8192, '\0');
  std::uint32_t state = 12345;
  for (auto& byte : bytes) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<char>(state >> 24);
  }
  WriteBytes(file_, bytes);
  ExpectNoReadableData(file_);
  WriteBytes(file_, "just a few words");
  ExpectNoReadableData(file_);
}

TEST_F(UnreadableFileTest, SqliteFileThatIsNotAStore) {
  Tamper(file_, "CREATE TABLE views (name TEXT); INSERT INTO views VALUES ('($Inbox)');");
  ExpectNoReadableData(file_);
}

TEST_F(UnreadableFileTest, NewerFormatVersion) {
  BuildSmallMailbox(file_);
  Tamper(file_, "PRAGMA user_version = " + std::to_string(kStoreSchemaVersion + 1));
  ExpectNoReadableData(file_);
  try {
    OpenStore(file_)->Views();
  } catch (const NotesError& error) {
    EXPECT_NE(std::string(error.what()).find("newer"), std::string::npos) << error.what();
  }
}

TEST_F(UnreadableFileTest, NoFormatVersion) {
  BuildSmallMailbox(file_);
  Tamper(file_, "PRAGMA user_version = 0");
  ExpectNoReadableData(file_);
}

TEST_F(UnreadableFileTest, TruncatedStore) {
  BuildSmallMailbox(file_);
  const auto size = std::filesystem::file_size(file_);
  std::filesystem::resize_file(file_, size / 2);
  ExpectNoReadableData(file_);
  BuildSmallMailbox(file_);
  std::filesystem::resize_file(file_, size - 100);
  ExpectNoReadableData(file_);
  BuildSmallMailbox(file_);
  std::filesystem::resize_file(file_, 100);
  ExpectNoReadableData(file_);
}

TEST_F(UnreadableFileTest, TablesThatAreComputedViews) {
  // A hostile file could make a table an endless computation; only real tables are read.
  BuildSmallMailbox(file_);
  Tamper(file_,
         "DROP TABLE views; CREATE VIEW views AS WITH RECURSIVE n(id) AS (SELECT 1 UNION ALL SELECT id + 1 "
         "FROM n) "
         "SELECT id, 'v' AS name, 1 AS is_folder, NULL AS stored_count FROM n;");
  ExpectNoReadableData(file_);
}

TEST_F(UnreadableFileTest, MissingTable) {
  BuildSmallMailbox(file_);
  Tamper(file_, "DROP TABLE items");
  ExpectNoReadableData(file_);
}

class NeverWritesTest : public ::testing::Test {
 protected:
  struct Snapshot {
    std::string bytes;
    std::filesystem::file_time_type modified;
    std::vector<std::string> files;
  };

  Snapshot Take() const {
    return {ReadBytes(file_), std::filesystem::last_write_time(file_), folder_.FileNames()};
  }
  void ExpectUnchanged(const Snapshot& before) const {
    const Snapshot after = Take();
    EXPECT_TRUE(after.bytes == before.bytes);
    EXPECT_EQ(after.modified, before.modified);
    EXPECT_EQ(after.files, before.files);
  }

  ScratchFolder folder_;
  ScratchFolder elsewhere_;
  std::filesystem::path file_ = folder_ / "Mail.nsf";
};

TEST_F(NeverWritesTest, ReadingEverythingLeavesTheStoreAndItsFolderAsTheyWere) {
  BuildSmallMailbox(file_);
  // A stale journal beside the store must neither be played into it nor removed.
  WriteBytes(folder_ / "Mail.nsf-journal", std::string(512, '\x5A'));
  const Snapshot before = Take();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  {
    auto database = OpenStore(file_);
    EXPECT_EQ(database->Title(), "Mail");
    ReadEverything(*database, elsewhere_.path(), [](const std::function<void()>& call) { call(); },
                   {"Subject", "PostedDate", "Count"});
    DumpStore(file_);
    SummarizeStore(file_);
    ExpectUnchanged(before);
  }
  ExpectUnchanged(before);
  EXPECT_EQ(std::filesystem::file_size(elsewhere_ / "extracted-1"), 300000u);
}

TEST_F(NeverWritesTest, UnreadableFilesAreLeftAsTheyWere) {
  WriteBytes(file_, std::string(5000, '\x01'));
  const Snapshot before = Take();
  ExpectNoReadableData(file_);
  ExpectUnchanged(before);
}

// Stores whose records were changed behind the builder's back.
class DamagedRecordTest : public ::testing::Test {
 protected:
  void SetUp() override { BuildSmallMailbox(file_); }

  std::shared_ptr<notes::Document> FirstDocument() {
    return OpenStore(file_)->GetView("($Inbox)")->GetFirstDocument();
  }
  std::shared_ptr<notes::EmbeddedObject> Attachment() {
    return FirstDocument()->GetFirstItem("Body")->EmbeddedObjects().at(0);
  }
  void ExpectExtractFailsCleanly() {
    auto object = Attachment();
    const auto target = folder_ / "out.bin";
    EXPECT_THROW(object->ExtractFile(target.string()), NotesError);
    EXPECT_FALSE(std::filesystem::exists(target));
    EXPECT_EQ(folder_.FileNames(), std::vector<std::string>{"Mail.nsf"});
  }

  ScratchFolder folder_;
  std::filesystem::path file_ = folder_ / "Mail.nsf";
};

TEST_F(DamagedRecordTest, DocumentSizes) {
  Tamper(file_, "UPDATE documents SET size = -5");
  EXPECT_THROW(FirstDocument()->Size(), NotesError);
  Tamper(file_, "UPDATE documents SET size = 'large'");
  EXPECT_THROW(FirstDocument()->Size(), NotesError);
  Tamper(file_, "UPDATE documents SET size = 9223372036854775807");
  EXPECT_EQ(FirstDocument()->Size(), INT64_MAX);
}

TEST_F(DamagedRecordTest, StoredCounts) {
  Tamper(file_, "UPDATE views SET stored_count = -1");
  EXPECT_THROW(OpenStore(file_)->GetView("($Inbox)")->AllEntriesCount(), NotesError);
  EXPECT_EQ(OpenStore(file_)->Views().size(), 1u);
  Tamper(file_, "UPDATE views SET stored_count = 'many'");
  EXPECT_THROW(OpenStore(file_)->GetView("($Inbox)")->AllEntriesCount(), NotesError);
  Tamper(file_, "UPDATE views SET stored_count = 4611686018427387904");
  auto view = OpenStore(file_)->GetView("($Inbox)");
  EXPECT_EQ(view->AllEntriesCount(), 4611686018427387904);
  EXPECT_EQ(view->GetNextDocument(view->GetFirstDocument()), nullptr);
}

TEST_F(DamagedRecordTest, ViewRecords) {
  Tamper(file_, "UPDATE views SET name = x'41'");
  EXPECT_THROW(OpenStore(file_)->Views(), NotesError);
  Tamper(file_, "UPDATE views SET name = '($Inbox)', is_folder = 'yes'");
  EXPECT_THROW(OpenStore(file_)->Views(), NotesError);
}

TEST_F(DamagedRecordTest, EntriesThatNameNoDocument) {
  Tamper(file_, "UPDATE view_entries SET document_id = 99");
  EXPECT_THROW(FirstDocument(), NotesError);
}

TEST_F(DamagedRecordTest, ADamagedEntryFailsWhenItIsReachedNotBefore) {
  // Good entries at 5 and 6, then one that names no document and one whose position is no number.
  Tamper(file_,
         "INSERT INTO view_entries VALUES (1, 5, 1); INSERT INTO view_entries VALUES (1, 6, 1); "
         "INSERT INTO view_entries VALUES (1, 7, 99); INSERT INTO view_entries VALUES (1, 'eight', 1);");
  auto view = OpenStore(file_)->GetView("($Inbox)");
  auto document = view->GetFirstDocument();
  for (int step = 0; step < 2; ++step) {
    document = view->GetNextDocument(document);
    ASSERT_NE(document, nullptr) << step;
  }
  EXPECT_THROW(view->GetNextDocument(document), NotesError);
  // Asked again, the same entry fails again; another view's walk is not disturbed.
  EXPECT_THROW(view->GetNextDocument(document), NotesError);
  EXPECT_NE(OpenStore(file_)->GetView("($Inbox)")->GetFirstDocument(), nullptr);
}

TEST(DamagedReadAheadTest, ADocumentReadAheadFailsWhenItIsReadAndNoOtherDoes) {
  ScratchFolder folder;
  const auto store = folder / "sample.nsf";
  WriteSampleStore(store, SampleOptions{300, 14, 7});
  // The 30th document of ($All), well inside a walk that is read ahead: its Subject holds a
  // number where text belongs.
  Tamper(store,
         "UPDATE item_values SET value = 5 WHERE document_id = (SELECT document_id FROM view_entries "
         "WHERE view_id = (SELECT id FROM views WHERE name = '($All)') ORDER BY position LIMIT 1 OFFSET 29) "
         "AND item_position = (SELECT position FROM items WHERE items.document_id = item_values.document_id "
         "AND name = 'Subject')");
  auto view = OpenStore(store)->GetView("($All)");
  int index = 0;
  for (auto document = view->GetFirstDocument(); document; document = view->GetNextDocument(document)) {
    if (index == 29) {
      EXPECT_THROW(document->GetItemValue("Subject"), NotesError);
    } else if (document->hasitem("Subject")) {
      EXPECT_NO_THROW(document->GetItemValue("Subject")) << index;
    }
    ++index;
  }
  EXPECT_EQ(index, view->AllEntriesCount());
}

// The documents after the 20th of ($All): well inside a walk that is read ahead.
constexpr const char* kDocumentsAfterTheTwentieth =
    "SELECT document_id FROM view_entries WHERE view_id = (SELECT id FROM views WHERE name = '($All)') "
    "ORDER BY position LIMIT -1 OFFSET 20";

// Read ahead, a document's files and its body's MIME entities are the store's; a damaged one of
// them fails for its own document alone, as when it is read on its own.
TEST(DamagedReadAheadTest, FilesAndMimeEntitiesReadAheadFailOnlyForTheirDocument) {
  ScratchFolder folder;
  const auto store = folder / "sample.nsf";
  WriteSampleStore(store, SampleOptions{300, 14, 7, true});
  // The first of the documents after the 20th of ($All) that holds converted MIME entities, and
  // the first that holds files.
  const std::string later = kDocumentsAfterTheTwentieth;
  Tamper(store,
         "UPDATE mime_entities SET size = -1 WHERE document_id = (SELECT MIN(document_id) FROM "
         "mime_entities WHERE converted = 1 AND document_id IN (" +
             later + "))");
  Tamper(store,
         "UPDATE embedded_objects SET type = 'x' WHERE document_id = (SELECT MIN(document_id) FROM "
         "embedded_objects WHERE document_id IN (" +
             later + "))");
  auto view = OpenStore(store)->GetView("($All)");
  int entitiesFailed = 0;
  int filesFailed = 0;
  int bodiesRead = 0;
  int filesRead = 0;
  for (auto document = view->GetFirstDocument(); document; document = view->GetNextDocument(document)) {
    try {
      filesRead += static_cast<int>(document->AttachmentNames().size());
    } catch (const NotesError&) {
      ++filesFailed;
    }
    try {
      document->ConvertToMIME(notes::kConvertToPlainTextAndHtml);
      if (const auto root = document->GetMIMEEntity("Body"); root && root->GetFirstChildEntity())
        ++bodiesRead;
    } catch (const NotesError&) {
      ++entitiesFailed;
    }
  }
  EXPECT_EQ(filesFailed, 1);
  EXPECT_EQ(entitiesFailed, 1);
  EXPECT_GT(filesRead, 20);
  EXPECT_GT(bodiesRead, 20);
}

// The small parts and files read ahead with their documents are the store's bytes, as streamed
// from it; a damaged chunk fails for its own part alone, with the reason, never as a shorter part.
TEST(DamagedReadAheadTest, ContentsReadAheadAreTheStoresAndADamagedChunkFailsForItsPartAlone) {
  ScratchFolder folder;
  const auto store = folder / "sample.nsf";
  WriteSampleStore(store, SampleOptions{300, 14, 7, true});
  const std::string later = kDocumentsAfterTheTwentieth;
  Tamper(store,
         "UPDATE mime_content SET bytes = zeroblob(7) WHERE entity_id = (SELECT MIN(id) FROM mime_entities "
         "WHERE converted = 1 AND size > 1000 AND document_id IN (" +
             later + "))");
  Tamper(store,
         "UPDATE embedded_content SET bytes = zeroblob(7) WHERE object_id = (SELECT MIN(o.id) FROM "
         "embedded_objects o WHERE o.size BETWEEN 100 AND 100000 AND o.document_id IN (" +
             later + "))");
  const auto copy = folder / "copy";
  int partsRead = 0;
  int partsFailed = 0;
  const std::function<void(notes::MIMEEntity&)> readParts = [&](notes::MIMEEntity& entity) {
    auto child = entity.GetFirstChildEntity();
    if (!child) {
      std::optional<std::string> held;
      try {
        held = entity.SmallContent(256 * 1024);
      } catch (const NotesError& error) {
        EXPECT_NE(std::string(error.what()).find("shorter than its size"), std::string::npos) << error.what();
        EXPECT_THROW(entity.WriteContentToFile(copy.string()), NotesError);
        ++partsFailed;
        return;
      }
      if (!held) return;  // a conversion made on the spot, not a part the store holds
      entity.WriteContentToFile(copy.string());
      EXPECT_EQ(*held, ReadBytes(copy));
      std::filesystem::remove(copy);
      ++partsRead;
    }
    for (; child; child = child->GetNextSibling()) readParts(*child);
  };
  int filesRead = 0;
  int filesFailed = 0;
  auto view = OpenStore(store)->GetView("($All)");
  for (auto document = view->GetFirstDocument(); document; document = view->GetNextDocument(document)) {
    for (const auto& name : document->AttachmentNames()) {
      const auto file = document->GetAttachment(name);
      ASSERT_NE(file, nullptr);
      try {
        file->ExtractFile(copy.string());
      } catch (const NotesError& error) {
        EXPECT_NE(std::string(error.what()).find("shorter than its size"), std::string::npos) << error.what();
        EXPECT_FALSE(std::filesystem::exists(copy));
        ++filesFailed;
        continue;
      }
      // Taken once, what was read ahead is let go: the second extraction streams from the store.
      const std::string bytes = ReadBytes(copy);
      std::filesystem::remove(copy);
      file->ExtractFile(copy.string());
      EXPECT_EQ(bytes, ReadBytes(copy)) << name;
      std::filesystem::remove(copy);
      ++filesRead;
    }
    document->ConvertToMIME(notes::kConvertToPlainTextAndHtml);
    if (const auto root = document->GetMIMEEntity("Body")) readParts(*root);
  }
  EXPECT_EQ(partsFailed, 1);
  EXPECT_EQ(filesFailed, 1);
  EXPECT_GT(partsRead, 40);
  EXPECT_GT(filesRead, 20);
}

TEST_F(DamagedRecordTest, EntriesWithGapsAreWalkedInOrder) {
  Tamper(file_, "INSERT INTO view_entries VALUES (1, 7, 1); INSERT INTO view_entries VALUES (1, -3, 1);");
  auto view = OpenStore(file_)->GetView("($Inbox)");
  EXPECT_EQ(view->AllEntriesCount(), 8);  // positions 0 to 7; negative positions are not entries
  auto first = view->GetFirstDocument();
  auto second = view->GetNextDocument(first);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(view->GetNextDocument(second), nullptr);
}

TEST_F(DamagedRecordTest, ItemsOfUnknownType) {
  Tamper(file_, "UPDATE items SET type = 999 WHERE name = 'Subject'");
  auto document = FirstDocument();
  EXPECT_THROW(document->GetItemValue("Subject"), NotesError);
  EXPECT_EQ(std::get<double>(document->GetItemValue("Count").at(0)), 2.0);
}

TEST_F(DamagedRecordTest, ValuesOfTheWrongKind) {
  Tamper(file_,
         "UPDATE item_values SET value = 'three' WHERE item_position = 1;"
         "UPDATE item_values SET value = x'00ff' WHERE item_position = 0;");
  auto document = FirstDocument();
  EXPECT_THROW(document->GetItemValue("Count"), NotesError);
  EXPECT_THROW(document->GetItemValue("Subject"), NotesError);
}

TEST_F(DamagedRecordTest, DateTimesOutOfRange) {
  Tamper(file_, "UPDATE item_values SET value = 1000000000000000 WHERE item_position = 2");
  EXPECT_THROW(FirstDocument()->GetItemValue("PostedDate"), NotesError);
  Tamper(file_, "UPDATE item_values SET value = 0, utc_offset = 100000 WHERE item_position = 2");
  EXPECT_THROW(FirstDocument()->GetItemValue("PostedDate"), NotesError);
  Tamper(file_, "UPDATE item_values SET utc_offset = NULL WHERE item_position = 2");
  EXPECT_THROW(FirstDocument()->GetItemValue("PostedDate"), NotesError);
}

TEST_F(DamagedRecordTest, TextThatIsNotUtf8IsGivenAsStored) {
  Tamper(file_, "UPDATE item_values SET value = CAST(x'48c3' AS TEXT) WHERE item_position = 0");
  EXPECT_EQ(FirstText(*FirstDocument(), "Subject"), "H\xC3");
}

TEST_F(DamagedRecordTest, AttachmentLongerThanItsSize) {
  Tamper(file_, "UPDATE embedded_objects SET size = 1000");
  ExpectExtractFailsCleanly();
}

TEST_F(DamagedRecordTest, AttachmentShorterThanItsSize) {
  Tamper(file_, "UPDATE embedded_objects SET size = 9223372036854775807");
  ExpectExtractFailsCleanly();
}

TEST_F(DamagedRecordTest, AttachmentWithNegativeSize) {
  Tamper(file_, "UPDATE embedded_objects SET size = -1");
  ExpectExtractFailsCleanly();
}

TEST_F(DamagedRecordTest, AttachmentContentThatIsNotBytes) {
  Tamper(file_, "UPDATE embedded_content SET bytes = 42");
  ExpectExtractFailsCleanly();
}

TEST_F(DamagedRecordTest, AttachmentTypeBeyondAnInteger) {
  Tamper(file_, "UPDATE embedded_objects SET type = 1099511627776");
  EXPECT_THROW(Attachment()->Type(), NotesError);
}

TEST_F(DamagedRecordTest, AttachmentWithAMissingChunkKeepsAnExistingTarget) {
  Tamper(file_, "DELETE FROM embedded_content WHERE chunk = 0");
  WriteBytes(folder_ / "out.bin", "keep me");
  EXPECT_THROW(Attachment()->ExtractFile((folder_ / "out.bin").string()), NotesError);
  EXPECT_EQ(ReadBytes(folder_ / "out.bin"), "keep me");
}

TEST_F(DamagedRecordTest, NoTitle) {
  Tamper(file_, "DELETE FROM database_info");
  auto database = OpenStore(file_);
  EXPECT_THROW(database->Title(), NotesError);
  EXPECT_EQ(database->Views().size(), 1u);
}

TEST(HostileNamesTest, NamesThatLookLikeSqlAreJustNames) {
  ScratchFolder folder;
  const auto file = folder / "Mail.nsf";
  const std::string viewName = "x'); DROP TABLE views; --";
  const std::string itemName = "a\" OR 1=1 --";
  const nlohmann::json fixture = {
      {"title", "'; DELETE FROM documents; --"},
      {"views",
       {{{"name", viewName}, {"folder", true}, {"documents", {"Robert'); DROP TABLE documents;--"}}}}},
      {"documents",
       {{{"id", "Robert'); DROP TABLE documents;--"},
         {"items", {{{"name", itemName}, {"text", {"%' OR name LIKE '%"}}}}}}}}};
  BuildStore(fixture, file);
  auto database = OpenStore(file);
  EXPECT_EQ(database->Title(), "'; DELETE FROM documents; --");
  auto view = database->GetView(viewName);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(database->GetView("x' OR '1'='1"), nullptr);
  EXPECT_EQ(database->GetView("%"), nullptr);
  auto document = view->GetFirstDocument();
  EXPECT_EQ(FirstText(*document, itemName), "%' OR name LIKE '%");
  EXPECT_FALSE(document->hasitem("%"));
  EXPECT_FALSE(document->hasitem("' OR '1'='1"));
  const auto dump = DumpStore(file);
  EXPECT_EQ(dump["views"][0]["name"], viewName);
  EXPECT_EQ(dump["documents"][0]["id"], "Robert'); DROP TABLE documents;--");
}

}  // namespace
}  // namespace mailshift::standin

namespace mailshift::standin {
namespace {

// A re-run skips most documents without reading their items: what was read ahead of the
// documents the walk has passed is let go, so memory stays with those ahead.
TEST(DocumentPrefetchTest, WhatTheWalkPassedIsLetGoAndNotReadAnyMore) {
  testing::ScratchFolder folder;
  const auto store = folder / "sample.nsf";
  WriteSampleStore(store, SampleOptions{200, 14, 1});
  const auto connection = OpenStoreForReading("file:" + store.string() + "?mode=ro", true);
  std::vector<std::int64_t> ids;
  sqlite::Statement documents(connection->get(), "SELECT id FROM documents ORDER BY id");
  while (documents.Step()) ids.push_back(documents.ColumnInt64(0));
  ASSERT_EQ(ids.size(), 200u);
  DocumentPrefetch prefetch(connection->get());
  prefetch.Request(ids);
  ASSERT_TRUE(prefetch.Take(ids[0]));  // the first is waited for
  prefetch.Reached(ids[150]);
  EXPECT_LE(prefetch.held(), ids.size() - 150 + 1);  // and the one being read, let go when read
  EXPECT_FALSE(prefetch.Take(ids[20]));  // let go, or never read
  for (std::size_t i = 150; i < ids.size(); ++i) EXPECT_TRUE(prefetch.Take(ids[i])) << i;
  EXPECT_EQ(prefetch.held(), 0u);
  EXPECT_FALSE(prefetch.Take(ids[149]));
}

}  // namespace
}  // namespace mailshift::standin
