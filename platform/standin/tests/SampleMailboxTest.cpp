// The sample mailbox: the same options give the same mailbox, and it holds every hard case.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "common/Base64.h"
#include "platform/standin/StoreFixture.h"
#include "platform/standin/tests/StoreTestSupport.h"

namespace mailshift::standin {
namespace {

using json = nlohmann::json;
using testing::OpenStore;
using testing::ScratchFolder;

class SampleMailboxTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new ScratchFolder;
    WriteSampleStore(*folder_ / "sample.nsf", SampleOptions{300, 14, 7});
    dump_ = new json(DumpStore(*folder_ / "sample.nsf"));
  }
  static void TearDownTestSuite() {
    delete dump_;
    delete folder_;
  }

  static const json& Dump() { return *dump_; }

  static const json* View(const std::string& name) {
    for (const auto& view : Dump()["views"]) {
      if (view["name"] == name) return &view;
    }
    return nullptr;
  }

  static std::map<std::string, const json*> Documents() {
    std::map<std::string, const json*> documents;
    for (const auto& document : Dump()["documents"]) documents[document["id"]] = &document;
    return documents;
  }

  static const json* Item(const json& document, const std::string& name) {
    for (const auto& item : document["items"]) {
      if (item["name"] == name) return &item;
    }
    return nullptr;
  }

  // The documents of a view.
  static std::vector<const json*> In(const std::string& viewName) {
    const auto documents = Documents();
    std::vector<const json*> result;
    for (const auto& id : (*View(viewName))["documents"]) result.push_back(documents.at(id));
    return result;
  }

  static std::vector<std::string> Subjects() {
    std::vector<std::string> subjects;
    for (const auto& document : Dump()["documents"]) {
      if (const json* subject = Item(document, "Subject")) subjects.push_back((*subject)["text"][0]);
    }
    return subjects;
  }

  static inline ScratchFolder* folder_ = nullptr;
  static inline json* dump_ = nullptr;
};

TEST_F(SampleMailboxTest, SameOptionsGiveTheSameMailboxAndAnotherSeedAnother) {
  ScratchFolder folder;
  WriteSampleStore(folder / "again.nsf", SampleOptions{300, 14, 7});
  EXPECT_TRUE(DumpStore(folder / "again.nsf") == Dump());
  WriteSampleStore(folder / "other.nsf", SampleOptions{300, 14, 8});
  EXPECT_FALSE(DumpStore(folder / "other.nsf") == Dump());
}

TEST_F(SampleMailboxTest, HasTheRequestedNumbersOfDocumentsAndUserFolders) {
  EXPECT_EQ(Dump()["documents"].size(), 300u);
  int userFolders = 0;
  for (const auto& view : Dump()["views"]) {
    const std::string name = view["name"];
    if (view["folder"] == true && !name.starts_with("(")) ++userFolders;
  }
  EXPECT_EQ(userFolders, 14);
  EXPECT_EQ(Dump()["title"], "Mail - Ann Lee");
}

TEST_F(SampleMailboxTest, HasTheSixStandardFoldersAndOtherViews) {
  for (const char* name : {"($Inbox)", "($Drafts)", "($Sent)", "($Follow-Up)", "($JunkMail)", "($Trash)"}) {
    const json* view = View(name);
    ASSERT_NE(view, nullptr) << name;
    EXPECT_EQ((*view)["folder"], true) << name;
    EXPECT_FALSE((*view)["documents"].empty()) << name;
  }
  ASSERT_NE(View("($All)"), nullptr);
  EXPECT_EQ((*View("($All)"))["folder"], false);
  EXPECT_EQ((*View("(Private Notes)"))["folder"], true);  // hidden, though a folder
}

TEST_F(SampleMailboxTest, UserFoldersAreNestedPaddedAndShareLeafNames) {
  std::vector<std::string> names;
  for (const auto& view : Dump()["views"]) names.push_back(view["name"]);
  const auto has = [&](const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
  };
  EXPECT_TRUE(has("Projects") && has("Projects\\2008") && has("Projects\\2008\\Budget"));
  EXPECT_TRUE(has("Clients\\Acme\\Budget"));  // same leaf as Projects\2008\Budget
  EXPECT_TRUE(has(" Travel "));
  EXPECT_TRUE(has("Projects\\ Launch Plan "));
  EXPECT_TRUE(has("Q&A: Vendors?"));
  // Stored order is not sorted order.
  EXPECT_FALSE(std::is_sorted(names.begin(), names.end()));
}

TEST_F(SampleMailboxTest, DocumentsStandInSeveralViews) {
  std::map<std::string, int> folderCount;
  for (const auto& view : Dump()["views"]) {
    if (view["folder"] == true) {
      for (const auto& id : view["documents"]) ++folderCount[id];
    }
  }
  EXPECT_TRUE(std::any_of(folderCount.begin(), folderCount.end(),
                          [](const auto& entry) { return entry.second > 1; }));
}

TEST_F(SampleMailboxTest, AddressesComeInBothFormsWithPlaceholders) {
  bool notesForm = false, internetForm = false, placeholder = false, copy = false, blindCopy = false,
       inetFromPlaceholder = false;
  for (const auto& document : Dump()["documents"]) {
    const json* sendTo = Item(document, "SendTo");
    const json* inetSendTo = Item(document, "InetSendTo");
    if (sendTo != nullptr && inetSendTo != nullptr) {
      EXPECT_EQ((*sendTo)["text"].size(), (*inetSendTo)["text"].size());
      for (const auto& entry : (*sendTo)["text"]) {
        const std::string text = entry;
        if (text.find('/') != std::string::npos && text.find('@') == std::string::npos) notesForm = true;
        if (text.find('@') != std::string::npos) internetForm = true;
      }
      for (const auto& entry : (*inetSendTo)["text"]) placeholder |= entry == ".";
    }
    copy |= Item(document, "CopyTo") != nullptr && Item(document, "InetCopyTo") != nullptr;
    blindCopy |= Item(document, "BlindCopyTo") != nullptr && Item(document, "InetBlindCopyTo") != nullptr;
    if (const json* inetFrom = Item(document, "INetFrom"))
      inetFromPlaceholder |= (*inetFrom)["text"][0] == ".";
  }
  EXPECT_TRUE(notesForm);
  EXPECT_TRUE(internetForm);
  EXPECT_TRUE(placeholder);
  EXPECT_TRUE(copy);
  EXPECT_TRUE(blindCopy);
  EXPECT_TRUE(inetFromPlaceholder);
}

TEST_F(SampleMailboxTest, SubjectsIncludeTheHardCases) {
  const auto subjects = Subjects();
  const auto has = [&](auto predicate) { return std::any_of(subjects.begin(), subjects.end(), predicate); };
  EXPECT_TRUE(has([](const std::string& s) { return s.empty(); }));
  EXPECT_TRUE(
      has([](const std::string& s) { return !s.empty() && s.find_first_not_of(' ') == std::string::npos; }));
  EXPECT_TRUE(has([](const std::string& s) {
    return std::any_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
  }));
  EXPECT_TRUE(has([](const std::string& s) { return s.find_first_of(":?\\/*\"<>|") != std::string::npos; }));
  for (const char c : std::string(":?\\/*\"<>|")) {
    EXPECT_TRUE(has([c](const std::string& s) { return s.find(c) != std::string::npos; })) << c;
  }
  int withoutSubject = 0;
  for (const auto& document : Dump()["documents"]) {
    if (Item(document, "Subject") == nullptr && Item(document, "subject") == nullptr) ++withoutSubject;
  }
  EXPECT_GT(withoutSubject, 0);
}

TEST_F(SampleMailboxTest, AttachmentsIncludeTheHardCases) {
  bool sameNameTwice = false, nonAsciiName = false, otherObject = false;
  std::size_t largest = 0;
  for (const auto& document : Dump()["documents"]) {
    for (const auto& item : document["items"]) {
      if (!item.contains("embedded")) continue;
      std::multiset<std::string> names;
      for (const auto& object : item["embedded"]) {
        const std::string name = object["name"];
        names.insert(name);
        nonAsciiName |= std::any_of(name.begin(), name.end(),
                                    [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
        otherObject |= object["type"] != 1454;
        largest = std::max(largest, DecodeBase64(object["base64"].get<std::string>())->size());
      }
      for (const auto& name : names) sameNameTwice |= names.count(name) > 1;
      EXPECT_EQ(document["has_embedded"], true);
    }
  }
  EXPECT_TRUE(sameNameTwice);
  EXPECT_TRUE(nonAsciiName);
  EXPECT_TRUE(otherObject);
  EXPECT_GE(largest, 2'000'000u);
}

TEST_F(SampleMailboxTest, FoldersHoldTheirTypicalItems) {
  for (const json* draft : In("($Drafts)")) {
    EXPECT_NE(Item(*draft, "$Revisions"), nullptr);
    EXPECT_EQ(Item(*draft, "PostedDate"), nullptr);
  }
  for (const json* junk : In("($JunkMail)")) EXPECT_NE(Item(*junk, "DeliveredDate"), nullptr);
  const auto inbox = In("($Inbox)");
  EXPECT_TRUE(std::any_of(inbox.begin(), inbox.end(), [](const json* d) {
    return Item(*d, "PostedDate") == nullptr && Item(*d, "postedDate") == nullptr;
  }));
  for (const json* sent : In("($Sent)")) EXPECT_NE(Item(*sent, "PostedDate"), nullptr);
}

TEST_F(SampleMailboxTest, TheClientSeesWhatTheDumpHolds) {
  auto database = OpenStore(*folder_ / "sample.nsf");
  const auto views = database->Views();
  ASSERT_EQ(views.size(), Dump()["views"].size());
  for (std::size_t i = 0; i < views.size(); ++i) {
    EXPECT_EQ(views[i]->Name(), Dump()["views"][i]["name"]);
    EXPECT_EQ(static_cast<std::size_t>(views[i]->AllEntriesCount()), Dump()["views"][i]["documents"].size());
  }
}

TEST_F(SampleMailboxTest, EveryDocumentOfAWalkHoldsWhatTheDumpHolds) {
  // Long walks are read ahead on a thread of the reader's own (($All) over several read-aheads);
  // what they give must be the very documents, in their order, with all their values.
  auto database = OpenStore(*folder_ / "sample.nsf");
  for (const char* viewName : {"($Inbox)", "($Sent)", "($All)"}) {
    auto view = database->GetView(viewName);
    ASSERT_NE(view, nullptr) << viewName;
    const std::vector<const json*> expected = In(viewName);
    ASSERT_GT(expected.size(), 16u) << viewName << ": a walk long enough to be read ahead";
    std::size_t index = 0;
    for (auto document = view->GetFirstDocument(); document; document = view->GetNextDocument(document)) {
      ASSERT_LT(index, expected.size()) << viewName;
      for (const auto& item : (*expected[index])["items"]) {
        const std::string name = item["name"];
        const json* texts = item.contains("text") ? &item["text"] : nullptr;
        const json* numbers = item.contains("number") ? &item["number"] : nullptr;
        if (texts == nullptr && numbers == nullptr) continue;
        const notes::ItemValues values = document->GetItemValue(name);
        const json& stored = texts != nullptr ? *texts : *numbers;
        ASSERT_EQ(values.size(), stored.size()) << viewName << " #" << index << " " << name;
        for (std::size_t i = 0; i < values.size(); ++i) {
          if (texts != nullptr) {
            EXPECT_EQ(std::get<std::string>(values[i]), stored[i].get<std::string>()) << name;
          } else {
            EXPECT_EQ(std::get<double>(values[i]), stored[i].get<double>()) << name;
          }
        }
      }
      ++index;
    }
    EXPECT_EQ(index, expected.size()) << viewName;
  }
}

// The mixed sample: the plain sample's mailbox in which every third mail shows a picture, stored as
// MIME or as rich text with its conversion, and referenced from the HTML by its Content-ID.
TEST_F(SampleMailboxTest, TheMixedSampleShowsAPictureInEveryThirdMail) {
  ScratchFolder folder;
  SampleOptions options{300, 14, 7};
  options.mixedBodies = true;
  WriteSampleStore(folder / "mixed.nsf", options);
  const json mixed = DumpStore(folder / "mixed.nsf");
  EXPECT_TRUE(mixed["views"] == Dump()["views"]);
  ASSERT_EQ(mixed["documents"].size(), Dump()["documents"].size());
  std::size_t stored = 0;
  std::size_t converted = 0;
  for (std::size_t i = 0; i < mixed["documents"].size(); ++i) {
    const json& document = mixed["documents"][i];
    const json& plain = Dump()["documents"][i];
    const json* body = Item(document, "Body") != nullptr ? Item(document, "Body") : Item(document, "body");
    ASSERT_NE(body, nullptr) << i;
    const bool picture = body->contains("mime") || body->contains("converted");
    const bool calendar = Item(plain, "StartDateTime") != nullptr;
    EXPECT_EQ(picture, i % 3 == 1 && !calendar) << i;
    if (!picture) {
      EXPECT_TRUE(document == plain) << i;
      continue;
    }
    // Apart from the body (and the size that counts it), the document is the plain one's.
    for (const auto& item : document["items"]) {
      if (&item != body) {
        EXPECT_TRUE(*Item(plain, item["name"]) == item) << i;
      }
    }
    const json& root = body->contains("mime") ? (*body)["mime"] : (*body)["converted"];
    (body->contains("mime") ? stored : converted)++;
    if (body->contains("converted")) {
      EXPECT_EQ((*body)["richtext"], (*Item(plain, (*body)["name"]))["richtext"]) << i;
    }
    ASSERT_EQ(root["type"], "multipart/related") << i;
    ASSERT_EQ(root["parts"].size(), 2u) << i;
    const json& alternative = root["parts"][0];
    const json& image = root["parts"][1];
    EXPECT_EQ(alternative["type"], "multipart/alternative") << i;
    EXPECT_EQ(alternative["parts"][0]["type"], "text/plain") << i;
    EXPECT_EQ(alternative["parts"][1]["type"], "text/html") << i;
    EXPECT_EQ(image["type"], "image/jpeg") << i;
    EXPECT_EQ(DecodeBase64(image["base64"].get<std::string>())->size(), 40u * 1024) << i;
    std::string contentId;
    for (const auto& line : image["headers"]) {
      const std::string header = line;
      if (header.rfind("Content-ID: <", 0) == 0) contentId = header.substr(13, header.size() - 14);
    }
    ASSERT_FALSE(contentId.empty()) << i;
    const auto html = DecodeBase64(alternative["parts"][1]["base64"].get<std::string>());
    EXPECT_NE(html->find("src=\"cid:" + contentId + "\""), std::string::npos) << i;
  }
  EXPECT_GT(stored, 20u);
  EXPECT_GT(converted, 20u);
}

TEST(SampleSizeTest, TinyAndEmptyMailboxes) {
  ScratchFolder folder;
  WriteSampleStore(folder / "empty.nsf", SampleOptions{0, 0, 1});
  auto database = OpenStore(folder / "empty.nsf");
  EXPECT_EQ(database->GetView("($Inbox)")->AllEntriesCount(), 0);
  WriteSampleStore(folder / "tiny.nsf", SampleOptions{5, 0, 1});
  EXPECT_EQ(DumpStore(folder / "tiny.nsf")["documents"].size(), 5u);
  EXPECT_THROW(WriteSampleStore(folder / "bad.nsf", SampleOptions{-1, 0, 1}), std::invalid_argument);
}

}  // namespace
}  // namespace mailshift::standin
