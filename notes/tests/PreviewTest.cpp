#include <gtest/gtest.h>

#include "common/DateText.h"
#include "common/TextRules.h"
#include "notes/Preview.h"
#include "notes/tests/MainWindowFixture.h"

namespace mailshift::notes {
namespace {

using Lines = std::vector<std::string>;
using testing::MemoryDocument;

const DateTime kPosted{1225895400, 60};
const DateTime kDelivered{1225899000, 60};
const DateTime kRevised{1225800000, 0};

class PreviewTest : public MainWindowFixture {
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

  void ScanMailbox() {
    ASSERT_EQ(Scan().end, ScanEnd::Completed);
    window.Wait.pauses.clear();
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
  EXPECT_EQ(Click("Inbox").rows, 2u);
  EXPECT_EQ(window.MailList.rows, (Lines{inboxRow, inboxRow}));
  EXPECT_EQ(window.MailList.icons, (std::map<std::pair<int, int>, int>{{{0, 0}, 56}, {{1, 0}, 56}}));

  const struct {
    const char* key;
    std::string row;
  } cases[] = {
      {"Drafts", Row("Bob Receiver", kRevised)},   {"Sent", Row("Bob Receiver", kPosted)},
      {"Follow-Up", Row("Bob Receiver", kPosted)}, {"JunkMail", Row("Alice Sender", kDelivered)},
      {"Trash", Row("Bob Receiver", kPosted)},     {"Folders\\Projects\\2008", Row("Bob Receiver", kPosted)},
  };
  for (const auto& c : cases) {
    const PreviewOutcome outcome = Click(c.key);
    EXPECT_EQ(window.MailList.rows, Lines{c.row}) << c.key;
    EXPECT_EQ(window.MailList.icons.at({0, 0}), 56) << c.key;
    EXPECT_EQ(outcome.failure, "") << c.key;
  }

  // "Projects" has no view of its own: its node lists nothing.
  Click("Folders\\Projects");
  EXPECT_TRUE(window.MailList.rows.empty());
}

TEST_F(PreviewTest, TheDateCellIsNotTrimmedButItsNeighboursAre) {
  MemoryDocument document;
  document.Text("SendTo", {"\tTabbed\t"})
      .Text("Subject", {" Line one\r\nline two "})
      .Text("PostedDate", {" someday "});
  document.size = 0;
  db.AddView("Notes", true, {db.AddDocument(std::move(document))});
  ScanMailbox();

  Click("Folders\\Notes");
  // Tabs and line breaks inside a cell would break the row apart, so they show as blanks.
  EXPECT_EQ(window.MailList.rows, Lines{" Tabbed \tLine one  line two\t0 KB\t someday "});
}

TEST_F(PreviewTest, MissingItemsGiveEmptyCells) {
  MemoryDocument document;
  document.size = 100;
  db.AddView("($Inbox)", true, {db.AddDocument(std::move(document))});
  ScanMailbox();

  EXPECT_EQ(Click("Inbox").rows, 1u);
  EXPECT_EQ(window.MailList.rows, Lines{"\t\t0 KB\t"});
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
  Click("Sent");
  Lines sizeCells;
  for (const auto& row : window.MailList.rows) sizeCells.push_back(Split(row, '\t').at(2));
  EXPECT_EQ(sizeCells, (Lines{"1 KB", "2 KB", "2 KB", "0 KB"}));
}

TEST_F(PreviewTest, TheRootListsNothingAndFoldersOnlyAViewOfThatName) {
  db.AddView("($Inbox)", true, {Message()});
  ScanMailbox();
  Click("Inbox");
  ASSERT_EQ(window.MailList.rows.size(), 1u);

  const PreviewOutcome root = Click("Lotus Notes Address Book");
  EXPECT_TRUE(window.MailList.rows.empty());
  EXPECT_EQ(root.failure, "no view named ");
  Click("Folders");
  EXPECT_TRUE(window.MailList.rows.empty());

  db.AddView("Folders", false, {Message(), Message()});
  EXPECT_EQ(Click("Folders").rows, 2u);
  EXPECT_EQ(window.MailList.rows.size(), 2u);
}

TEST_F(PreviewTest, AnEmptyFolderLeavesTheListEmptyWithoutAFailure) {
  db.AddView("($Inbox)", true, {Message()});
  db.AddView("($Trash)", true);
  ScanMailbox();
  Click("Inbox");

  const PreviewOutcome outcome = Click("Trash");
  EXPECT_TRUE(window.MailList.rows.empty());
  EXPECT_EQ(outcome.failure, "");
  EXPECT_EQ(window.Wait.doEventsCalls, 2);
  EXPECT_EQ(window.Wait.pauses, (std::vector<int>{10, 10}));
}

TEST_F(PreviewTest, AViewCountingMoreThanItsDocumentsKeepsTheRowsItHas) {
  db.AddView("($Inbox)", true, {Message(), Message()}).count = 5;
  ScanMailbox();

  const PreviewOutcome outcome = Click("Inbox");
  EXPECT_EQ(outcome.rows, 2u);
  EXPECT_EQ(window.MailList.rows.size(), 2u);
  EXPECT_EQ(window.MailList.icons.size(), 2u);
  EXPECT_FALSE(outcome.failure.empty());
  EXPECT_EQ(window.Wait.doEventsCalls, 1);
  EXPECT_TRUE(window.Messages.shown.size() == 1);  // only the scan's own message
}

TEST_F(PreviewTest, AFailingItemReadEndsTheListingAfterTheRowsBeforeIt) {
  const std::size_t bad = Message();
  db.documents[bad].items[2].failRead = true;  // "Subject"
  db.AddView("($Inbox)", true, {Message(), bad, Message()});
  ScanMailbox();

  const PreviewOutcome outcome = Click("Inbox");
  EXPECT_EQ(window.MailList.rows, Lines{Row("Alice Sender", kPosted)});
  EXPECT_EQ(outcome.failure, "GetItemValue failed");
  EXPECT_EQ(window.Wait.doEventsCalls, 1);
}

TEST_F(PreviewTest, ACountThatCannotBeReadListsNothing) {
  db.AddView("($Inbox)", true, {Message()}).failCount = true;
  ScanMailbox();
  EXPECT_EQ(tree.Outline()[1], "  [x] Inbox (0)");
  EXPECT_EQ(Click("Inbox").rows, 0u);
  EXPECT_TRUE(window.MailList.rows.empty());
}

TEST_F(PreviewTest, NothingSelectedDoesNothing) {
  db.AddView("($Inbox)", true, {Message()});
  ScanMailbox();
  Click("Inbox");
  tree.selected.reset();
  MainWindowControls c = controls();
  ContactsTreeView_Click(c, notes);
  EXPECT_EQ(window.MailList.rows.size(), 1u);
  EXPECT_EQ(window.Wait.doEventsCalls, 1);
}

TEST_F(PreviewTest, WithoutASessionTheListStaysEmpty) {
  db.AddView("($Inbox)", true, {Message()});
  ScanMailbox();
  notes.SessionObj.reset();
  const PreviewOutcome outcome = Click("Inbox");
  EXPECT_TRUE(window.MailList.rows.empty());
  EXPECT_EQ(outcome.failure, "no Notes session");
  EXPECT_EQ(window.Wait.doEventsCalls, 1);
}

TEST_F(PreviewTest, TheDatabaseIsOpenedAgainFromThePathBoxForEveryListing) {
  db.AddView("($Inbox)", true, {Message()});
  ScanMailbox();
  const int opened = client.getDatabaseCalls;
  Click("Inbox");
  Click("Inbox");
  EXPECT_EQ(client.getDatabaseCalls, opened + 2);

  window.txtNotesDatabaseFile.SetCaption("C:\\Mail\\other.nsf");
  Click("Inbox");
  EXPECT_TRUE(window.MailList.rows.empty());
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
  auto session = std::make_shared<OneViewSession>();
  notes.SessionObj = session;
  session->view->counts = {5, 5, 2};  // the view shrinks while it is listed

  MainWindowControls c = controls();
  const PreviewOutcome outcome = EnumerateEmails("Shifting", c, notes);
  EXPECT_EQ(outcome.rows, 2u);
  EXPECT_EQ(outcome.failure, "");
  EXPECT_EQ(session->view->countCalls, 3u);
  EXPECT_EQ(window.MailList.rows, (Lines{"\tmessage 0\t0 KB\t", "\tmessage 1\t0 KB\t"}));
}

TEST(PreviewViewName, StandardTagsNameTheirHiddenViewsAndOtherTagsThemselves) {
  EXPECT_EQ(PreviewViewName("Inbox"), "($Inbox)");
  EXPECT_EQ(PreviewViewName("Follow-Up"), "($Follow-Up)");
  EXPECT_EQ(PreviewViewName("JunkMail"), "($JunkMail)");
  EXPECT_EQ(PreviewViewName("inbox"), "inbox");
  EXPECT_EQ(PreviewViewName("Projects\\2008"), "Projects\\2008");
  EXPECT_EQ(PreviewViewName(""), "");
}

}  // namespace
}  // namespace mailshift::notes
