#include <gtest/gtest.h>

#include "common/DateText.h"
#include "common/TextRules.h"
#include "notes/FolderCatalogue.h"
#include "notes/tests/MailboxFixture.h"

namespace mailshift::notes {
namespace {

using Lines = std::vector<std::string>;
using testing::MemoryDocument;

const DateTime kPosted{1225895400, 60};
const DateTime kDelivered{1225899000, 60};
const DateTime kRevised{1225800000, 0};

class PreviewTest : public MailboxFixture {
 protected:
  // One message with every item the preview reads, each with its own recognisable value.
  std::size_t Message(std::int64_t size = 2048) {
    MemoryDocument document;
    document.Text("From", {"  Alice Sender  ", "second sender"})
        .Text("SendTo", {" Bob Receiver ", "Carol Receiver"})
        .Text("Subject", {"  Quarterly figures  "})
        .Date("PostedDate", kPosted)
        .Date("DeliveredDate", kDelivered);
    document.items.push_back(testing::MemoryItem{"$Revisions", {kRevised, kPosted}, false, {}, false});
    document.size = size;
    return db.AddDocument(std::move(document));
  }

  std::string Row(const std::string& fromTo, const DateTime& date) {
    return fromTo + "\tQuarterly figures\t2 KB\t" + DateText(date);
  }

  void ScanMailbox() { ASSERT_EQ(Scan().end, ScanEnd::Completed); }

  // The rows of the folder of that tag as lines, cells separated by tabs.
  Lines RowsOf(const std::string& tag, std::string* failure = nullptr) {
    const PreviewResult result = List(tag);
    if (failure != nullptr) *failure = result.failure;
    Lines rows;
    for (const PreviewRow& row : result.rows) rows.push_back(PreviewRowText(row));
    return rows;
  }
};

TEST_F(PreviewTest, EachFolderKindFillsItsCellsFromItsOwnItems) {
  db.AddView("($Inbox)", true, {Message(), Message()});
  db.AddView("($Drafts)", true, {Message()});
  db.AddView("($Sent)", true, {Message()});
  db.AddView("($Follow-Up)", true, {Message()});
  db.AddView("($JunkMail)", true, {Message()});
  db.AddView("($Trash)", true, {Message()});
  db.AddView("Projects\\2008", true, {Message()});
  ScanMailbox();

  const std::string inboxRow = Row("Alice Sender", kPosted);
  EXPECT_EQ(RowsOf("Inbox"), (Lines{inboxRow, inboxRow}));
  const PreviewRow cells = List("Inbox").rows.at(0);
  EXPECT_EQ(cells.fromTo, "Alice Sender");
  EXPECT_EQ(cells.subject, "Quarterly figures");
  EXPECT_EQ(cells.size, "2 KB");
  EXPECT_EQ(cells.date, DateText(kPosted));

  const struct {
    const char* tag;
    std::string row;
  } cases[] = {
      {"Drafts", Row("Bob Receiver", kRevised)},   {"Sent", Row("Bob Receiver", kPosted)},
      {"Follow-Up", Row("Bob Receiver", kPosted)}, {"JunkMail", Row("Alice Sender", kDelivered)},
      {"Trash", Row("Bob Receiver", kPosted)},     {"Projects\\2008", Row("Bob Receiver", kPosted)},
  };
  for (const auto& c : cases) {
    std::string failure;
    EXPECT_EQ(RowsOf(c.tag, &failure), Lines{c.row}) << c.tag;
    EXPECT_EQ(failure, "") << c.tag;
  }

  // "Projects" has no view of its own: its node (which carries no tag) lists nothing.
  EXPECT_EQ(Node("Folders\\Projects").tag, "");
  EXPECT_TRUE(RowsOf("").empty());
}

TEST_F(PreviewTest, TheDateCellIsNotTrimmedButItsNeighboursAre) {
  MemoryDocument document;
  document.Text("SendTo", {"\tTabbed\t"})
      .Text("Subject", {" Line one\r\nline two "})
      .Text("PostedDate", {" someday "});
  document.size = 0;
  db.AddView("Notes", true, {db.AddDocument(std::move(document))});
  ScanMailbox();

  // Tabs and line breaks inside a cell would break the row apart, so they show as blanks.
  EXPECT_EQ(RowsOf("Notes"), Lines{" Tabbed \tLine one  line two\t0 KB\t someday "});
}

TEST_F(PreviewTest, MissingItemsGiveEmptyCells) {
  MemoryDocument document;
  document.size = 100;
  db.AddView("($Inbox)", true, {db.AddDocument(std::move(document))});
  ScanMailbox();

  EXPECT_EQ(RowsOf("Inbox"), Lines{"\t\t0 KB\t"});
}

TEST_F(PreviewTest, MailWithoutItsFolderDateItemShowsTheDateItIsExportedWith) {
  const auto only = [](const char* item, const DateTime& date) {
    MemoryDocument document;
    document.Text("Subject", {"Quarterly figures"}).Date(item, date);
    document.size = 2048;
    return document;
  };
  db.AddView("($Inbox)", true, {db.AddDocument(only("DeliveredDate", kDelivered))});
  db.AddView("($Drafts)", true, {db.AddDocument(only("PostedDate", kPosted))});
  db.AddView("($JunkMail)", true, {db.AddDocument(only("PostedDate", kPosted))});
  ScanMailbox();
  EXPECT_EQ(RowsOf("Inbox"), Lines{"\tQuarterly figures\t2 KB\t" + DateText(kDelivered)});
  EXPECT_EQ(RowsOf("Drafts"), Lines{"\tQuarterly figures\t2 KB\t" + DateText(kPosted)});
  EXPECT_EQ(RowsOf("JunkMail"), Lines{"\tQuarterly figures\t2 KB\t" + DateText(kPosted)});
}

TEST_F(PreviewTest, SizesAreWholeKilobytesWithHalvesToTheEvenNeighbour) {
  const std::pair<std::int64_t, const char*> sizes[] = {
      {1535, "1 KB"}, {1536, "2 KB"},
      {2560, "2 KB"}, {512, "0 KB"},
      {511, "0 KB"},  {0, "0 KB"},
      {513, "1 KB"},  {3584, "4 KB"},
      {1024, "1 KB"}, {5000000000LL * 1024 + 512, "5000000000 KB"},
  };
  for (const auto& [bytes, text] : sizes) EXPECT_EQ(KilobyteText(bytes), text) << bytes;

  db.AddView("($Sent)", true, {Message(1535), Message(1536), Message(2560), Message(512)});
  ScanMailbox();
  Lines sizeCells;
  for (const auto& row : List("Sent").rows) sizeCells.push_back(row.size);
  EXPECT_EQ(sizeCells, (Lines{"1 KB", "2 KB", "2 KB", "0 KB"}));
}

TEST_F(PreviewTest, TheRootListsNothingAndFoldersOnlyAViewOfThatName) {
  db.AddView("($Inbox)", true, {Message()});
  ScanMailbox();
  ASSERT_EQ(RowsOf("Inbox").size(), 1u);

  const PreviewResult root = List(Node("Lotus Notes Address Book").tag);
  EXPECT_TRUE(root.rows.empty());
  EXPECT_EQ(root.failure, "no view named ");
  EXPECT_TRUE(RowsOf(Node("Folders").tag).empty());

  db.AddView("Folders", false, {Message(), Message()});
  EXPECT_EQ(RowsOf(Node("Folders").tag).size(), 2u);
}

TEST_F(PreviewTest, AnEmptyFolderLeavesTheListEmptyWithoutAFailure) {
  db.AddView("($Inbox)", true, {Message()});
  db.AddView("($Trash)", true);
  ScanMailbox();
  const PreviewResult outcome = List("Trash");
  EXPECT_TRUE(outcome.rows.empty());
  EXPECT_EQ(outcome.failure, "");
}

TEST_F(PreviewTest, AViewCountingMoreThanItsDocumentsKeepsTheRowsItHas) {
  db.AddView("($Inbox)", true, {Message(), Message()}).count = 5;
  ScanMailbox();

  const PreviewResult outcome = List("Inbox");
  EXPECT_EQ(outcome.rows.size(), 2u);
  EXPECT_EQ(outcome.failure, "the view holds fewer documents than its count");
}

TEST_F(PreviewTest, AFailingItemReadEndsTheListingAfterTheRowsBeforeIt) {
  const std::size_t bad = Message();
  db.documents[bad].items[2].failRead = true;  // "Subject"
  db.AddView("($Inbox)", true, {Message(), bad, Message()});
  ScanMailbox();

  std::string failure;
  EXPECT_EQ(RowsOf("Inbox", &failure), Lines{Row("Alice Sender", kPosted)});
  EXPECT_EQ(failure, "GetItemValue failed");
}

TEST_F(PreviewTest, ACountThatCannotBeReadListsNothing) {
  db.AddView("($Inbox)", true, {Message()}).failCount = true;
  ScanMailbox();
  EXPECT_EQ(Outline()[1], "  [x] Inbox (0)");
  EXPECT_TRUE(RowsOf("Inbox").empty());
}

TEST_F(PreviewTest, TheDatabaseIsOpenedAgainForEveryListing) {
  db.AddView("($Inbox)", true, {Message()});
  ScanMailbox();
  const int opened = client.getDatabaseCalls;
  List("Inbox");
  List("Inbox");
  EXPECT_EQ(client.getDatabaseCalls, opened + 2);

  const PreviewResult other = Preview(*scanned.session, "C:\\Mail\\other.nsf", "Inbox");
  EXPECT_TRUE(other.rows.empty());
  EXPECT_FALSE(other.failure.empty());
}

// A view whose entry count is given call by call, over plain documents.
class ShiftingView : public View {
 public:
  struct Plain : Document {
    explicit Plain(std::size_t n) : number(n) {}
    ItemValues GetItemValue(std::string_view item) override {
      return item == "Subject" ? ItemValues{std::string("message ") + std::to_string(number)} : ItemValues{};
    }
    bool hasitem(std::string_view) override { return false; }
    std::int64_t Size() override { return 0; }
    bool HasEmbedded() override { return false; }
    std::shared_ptr<RichTextItem> GetFirstItem(std::string_view) override { return nullptr; }
    std::string UniversalID() override { return {}; }
    bool IsEncrypted() override { return false; }
    DateTime Created() override { return {}; }
    std::size_t number;
  };

  std::string Name() override { return "Shifting"; }
  bool isfolder() override { return true; }
  std::int64_t AllEntriesCount() override {
    const std::size_t call = std::min(countCalls++, counts.size() - 1);
    return counts[call];
  }
  std::shared_ptr<Document> GetFirstDocument() override { return std::make_shared<Plain>(0); }
  std::shared_ptr<Document> GetNextDocument(const std::shared_ptr<Document>& current) override {
    return std::make_shared<Plain>(dynamic_cast<Plain&>(*current).number + 1);
  }

  std::vector<std::int64_t> counts;
  std::size_t countCalls = 0;
};

struct OneViewSession : Session, Database {
  std::shared_ptr<Database> GetDatabase(std::string_view, std::string_view) override {
    return std::shared_ptr<Database>(std::shared_ptr<Database>{}, this);
  }
  std::string Title() override { return "One view"; }
  std::vector<std::shared_ptr<View>> Views() override { return {view}; }
  std::shared_ptr<View> GetView(std::string_view name) override {
    return name == "Shifting" ? view : nullptr;
  }
  std::shared_ptr<ShiftingView> view = std::make_shared<ShiftingView>();
};

TEST_F(PreviewTest, TheCountIsReadAgainBeforeEveryRow) {
  OneViewSession session;
  session.view->counts = {5, 5, 2};  // the view shrinks while it is listed

  Lines rows;
  const std::string failure = ListPreviewRows(
      session, kPath, "Shifting", [&rows](const PreviewRow& row) { rows.push_back(PreviewRowText(row)); });
  EXPECT_EQ(failure, "");
  EXPECT_EQ(session.view->countCalls, 3u);
  EXPECT_EQ(rows, (Lines{"\tmessage 0\t0 KB\t", "\tmessage 1\t0 KB\t"}));
}

TEST(ViewNameOf, StandardTagsNameTheirHiddenViewsAndOtherTagsThemselves) {
  EXPECT_EQ(ViewNameOf("Inbox"), "($Inbox)");
  EXPECT_EQ(ViewNameOf("Follow-Up"), "($Follow-Up)");
  EXPECT_EQ(ViewNameOf("JunkMail"), "($JunkMail)");
  EXPECT_EQ(ViewNameOf("inbox"), "inbox");
  EXPECT_EQ(ViewNameOf("Projects\\2008"), "Projects\\2008");
  EXPECT_EQ(ViewNameOf(""), "");
}

}  // namespace
}  // namespace mailshift::notes
