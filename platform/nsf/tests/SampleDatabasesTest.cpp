// The four real databases in tests/data: what is known of each, read natively.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/nsf/NsfContainer.h"
#include "platform/nsf/NsfDatabase.h"
#include "platform/nsf/NsfNotesClient.h"

namespace mailshift::nsf {
namespace {

std::string Sample(const std::string& name) { return std::string(MAILSHIFT_NSF_SAMPLES) + "/" + name; }

struct KnownDatabase {
  std::string file;
  std::string title;
  std::uint32_t ods;
  std::size_t documents;
};

class SampleDatabase : public testing::TestWithParam<KnownDatabase> {};

TEST_P(SampleDatabase, GivesItsTitleVersionAndDocumentsThroughTheObjectModel) {
  const KnownDatabase& known = GetParam();
  NsfNotesClient client;
  auto session = client.CreateObject(notes::kDominoSessionClass);
  auto database = std::dynamic_pointer_cast<NsfDatabase>(session->GetDatabase("", Sample(known.file)));
  ASSERT_NE(database, nullptr);
  EXPECT_EQ(database->Title(), known.title);
  EXPECT_EQ(database->Container().Ods(), known.ods);
  EXPECT_TRUE(database->Inventory().unreadable.empty()) << database->Inventory().unreadable.front();
  auto all = database->AllDocuments();
  EXPECT_EQ(all->Count(), static_cast<std::int64_t>(known.documents));
  std::size_t walked = 0;
  std::vector<std::string> unids;
  for (auto document = all->GetFirstDocument(); document; document = all->GetNextDocument(document)) {
    ++walked;
    EXPECT_EQ(document->UniversalID().size(), 32u);
    EXPECT_FALSE(document->NoteID().empty());
    EXPECT_FALSE(document->Items().empty());
    unids.push_back(document->UniversalID());
  }
  EXPECT_EQ(walked, known.documents);
  std::sort(unids.begin(), unids.end());
  EXPECT_EQ(std::adjacent_find(unids.begin(), unids.end()), unids.end()) << "a universal id given twice";
}

INSTANTIATE_TEST_SUITE_P(Samples, SampleDatabase,
                         testing::Values(KnownDatabase{"knowndt.nsf", "Known Date/Time", 52, 2},
                                         KnownDatabase{"sample.nsf", "BVT Test DB", 52, 18},
                                         KnownDatabase{"invalidtimedate.nsf", "JNX Invalid TimeDate", 52, 1},
                                         KnownDatabase{"signeddoc.nsf", "Signed Doc", 55, 1}),
                         [](const auto& sample) {
                           return sample.param.file.substr(0, sample.param.file.find('.'));
                         });

std::shared_ptr<notes::Document> DocumentWithId(notes::Database& database, const std::string& unid) {
  auto all = database.AllDocuments();
  for (auto document = all->GetFirstDocument(); document; document = all->GetNextDocument(document))
    if (document->UniversalID() == unid) return document;
  return nullptr;
}

TEST(KnownDateTime, TheDocumentOfTheKnownUniversalIdHoldsItsDateTime) {
  auto database = std::make_shared<NsfDatabase>(Sample("knowndt.nsf"));
  auto document = DocumentWithId(*database, "489CC69E9C1E96CB852585F8005A812C");
  ASSERT_NE(document, nullptr);
  const notes::ItemValues foo = document->GetItemValue("FOO");
  ASSERT_EQ(foo.size(), 1u);
  ASSERT_TRUE(std::holds_alternative<DateTime>(foo.front()));
  // 2020-10-05T17:10:07Z, recorded in a zone five hours west of Greenwich.
  EXPECT_EQ(std::get<DateTime>(foo.front()).secondsSinceEpoch, 1601917807);
  EXPECT_EQ(std::get<DateTime>(foo.front()).utcOffsetMinutes, -300);
  EXPECT_EQ(std::get<std::string>(document->GetItemValue("Form").front()), "Tester");
  EXPECT_TRUE(document->hasitem("$Revisions"));
  EXPECT_GT(document->GetItemValue("$Revisions").size(), 1u);
}

TEST(SignedDoc, ItsOneDocumentCarriesItsItems) {
  auto database = std::make_shared<NsfDatabase>(Sample("signeddoc.nsf"));
  auto all = database->AllDocuments();
  auto document = all->GetFirstDocument();
  ASSERT_NE(document, nullptr);
  EXPECT_TRUE(document->hasitem("Color"));
  EXPECT_TRUE(document->hasitem("form"));
  EXPECT_TRUE(document->hasitem("$Signature"));
}

TEST(Sample, ListsItsFolder) {
  auto database = std::make_shared<NsfDatabase>(Sample("sample.nsf"));
  auto folder = database->GetView("Backup Role for Student");
  ASSERT_NE(folder, nullptr);
  EXPECT_TRUE(folder->isfolder());
  ASSERT_EQ(folder->AllEntriesCount(), 1);
  auto document = folder->GetFirstDocument();
  ASSERT_NE(document, nullptr);
  EXPECT_EQ(document->NoteID(), "926");
  EXPECT_EQ(folder->GetNextDocument(document), nullptr);
}

TEST(Sample, ItsChineseTextIsDecoded) {
  auto database = std::make_shared<NsfDatabase>(Sample("sample.nsf"));
  bool chinese = false;
  auto all = database->AllDocuments();
  for (auto document = all->GetFirstDocument(); document; document = all->GetNextDocument(document))
    for (const auto& item : document->Items())
      for (const auto& value : item.values)
        if (const auto* text = std::get_if<std::string>(&value))
          for (std::size_t i = 0; i + 2 < text->size(); ++i) {
            // A character of the CJK block U+4E00-U+9FFF: E4-E9 then two continuation bytes.
            const auto byte = static_cast<unsigned char>((*text)[i]);
            if (byte >= 0xE4 && byte <= 0xE9) chinese = true;
          }
  EXPECT_TRUE(chinese);
}

TEST(Signature, TellsNotesDatabasesFromOtherFiles) {
  EXPECT_TRUE(HasNotesSignature(Sample("knowndt.nsf")));
  EXPECT_FALSE(HasNotesSignature(Sample("LICENSE")));
  EXPECT_THROW(NsfContainer(Sample("LICENSE")), notes::NotesError);
}

}  // namespace
}  // namespace mailshift::nsf
