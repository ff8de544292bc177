#include <gtest/gtest.h>

#include <algorithm>

#include "notes/FolderCatalogue.h"
#include "notes/FolderTree.h"
#include "notes/MailPreview.h"
#include "notes/tests/MailboxFixture.h"

namespace mailshift::notes {
namespace {

using Lines = std::vector<std::string>;

// The scan, the preview and the tag lookups all take the standard folders from the catalogue:
// a folder's view holds the documents its node counts and its preview lists, by the items the
// catalogue names.
TEST_F(MailboxFixture, EveryStandardFolderIsScannedAndListedAsTheCatalogueSays) {
  for (std::size_t index = 0; index < kStandardFolders.size(); ++index) {
    const StandardFolder& folder = kStandardFolders[index];
    testing::MemoryDocument document;
    document.Text(std::string(folder.previewFromTo), {"sender " + std::to_string(index)})
        .Text(std::string(folder.previewDate), {"date " + std::to_string(index)});
    std::vector<std::size_t> documents(index + 1, db.AddDocument(std::move(document)));
    db.AddView(std::string(folder.view), true, documents);
  }
  ASSERT_EQ(Scan().end, ScanEnd::Completed);

  for (std::size_t index = 0; index < kStandardFolders.size(); ++index) {
    const StandardFolder& folder = kStandardFolders[index];
    const FolderNode& node = scanned.nodes.at(index + 1);  // after the root, in catalogue order
    EXPECT_EQ(node.key, folder.tag);
    EXPECT_EQ(node.tag, folder.tag);
    EXPECT_EQ(node.image, folder.image);
    EXPECT_EQ(node.text, CountedText(folder.label, static_cast<std::int64_t>(index + 1)));
    EXPECT_EQ(StandardFolderByTag(folder.tag), &folder);
    EXPECT_EQ(StandardFolderByView(folder.view), &folder);
    EXPECT_EQ(ViewNameOf(folder.tag), folder.view);

    const PreviewResult preview = List(std::string(folder.tag));
    ASSERT_EQ(preview.rows.size(), index + 1) << folder.tag;
    EXPECT_EQ(preview.rows[0].fromTo, "sender " + std::to_string(index));
    EXPECT_EQ(preview.rows[0].date, "date " + std::to_string(index));
  }
  EXPECT_EQ(StandardFolderByTag("inbox"), nullptr);
  EXPECT_EQ(StandardFolderByView("Inbox"), nullptr);
}

TEST(FolderCatalogue, UserFolderNamesAreSortedByCodeAndKeptOnceWithoutEmptyOnes) {
  std::vector<std::string> names{"b", "A", "", "a", "A\\B", "A B", "b", "\xC3\xA9", "Z"};
  SortFolderNames(names);
  EXPECT_EQ(names, (Lines{"A", "A B", "A\\B", "Z", "a", "b", "\xC3\xA9"}));
  std::vector<std::string> none;
  SortFolderNames(none);
  EXPECT_TRUE(none.empty());
}

TEST(FolderCatalogue, TheExportTakesEveryStandardFolderOnce) {
  std::vector<std::size_t> order(kExportOrder.begin(), kExportOrder.end());
  std::sort(order.begin(), order.end());
  EXPECT_EQ(order, (std::vector<std::size_t>{0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(kStandardFolders[kExportOrder[1]].tag, "Sent");
}

}  // namespace
}  // namespace mailshift::notes
