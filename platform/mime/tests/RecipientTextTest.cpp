#include <gtest/gtest.h>

#include "platform/mime/RecipientText.h"

namespace mailshift::platform {
namespace {

Recipient Address(std::string address, std::string name = "") {
  return {std::move(name), std::move(address)};
}
Recipient NotesName(std::string name) { return {std::move(name), ""}; }

TEST(RecipientText, SplitsAtSemicolonsAndSkipsEmptyPieces) {
  EXPECT_EQ(ParseRecipientText("ann@example.com;Bob Ray/Org"),
            (std::vector<Recipient>{Address("ann@example.com"), NotesName("Bob Ray/Org")}));
  EXPECT_EQ(ParseRecipientText(";;a@b.c; ;\t;d@e.f;"),
            (std::vector<Recipient>{Address("a@b.c"), Address("d@e.f")}));
  EXPECT_TRUE(ParseRecipientText("").empty());
  EXPECT_TRUE(ParseRecipientText(" ; ").empty());
}

TEST(RecipientText, ReadsDisplayNamesWithAnglebracketAddresses) {
  EXPECT_EQ(ParseRecipientText("\"Ann Lee\" <ann@example.com>"),
            std::vector<Recipient>{Address("ann@example.com", "Ann Lee")});
  EXPECT_EQ(ParseRecipientText("Ann Lee <ann@example.com>"),
            std::vector<Recipient>{Address("ann@example.com", "Ann Lee")});
  EXPECT_EQ(ParseRecipientText("<ann@example.com>"), std::vector<Recipient>{Address("ann@example.com")});
  EXPECT_EQ(ParseRecipientText("\"Lee, Ann\" <ann@example.com>"),
            std::vector<Recipient>{Address("ann@example.com", "Lee, Ann")});
  EXPECT_EQ(ParseRecipientText("\"J\\\"rgen M\xC3\xBCller\" <j@example.de>"),
            std::vector<Recipient>{Address("j@example.de", "J\"rgen M\xC3\xBCller")});
  EXPECT_EQ(ParseRecipientText("  ann@example.com  "), std::vector<Recipient>{Address("ann@example.com")});
}

TEST(RecipientText, AcceptsQuotedLocalPartsAndDomainLiterals) {
  EXPECT_EQ(ParseRecipientText("\"j smith\"@example.com"),
            std::vector<Recipient>{Address("\"j smith\"@example.com")});
  EXPECT_EQ(ParseRecipientText("a.b@[192.0.2.1]"), std::vector<Recipient>{Address("a.b@[192.0.2.1]")});
}

TEST(RecipientText, KeepsEverythingElseWholeAsANotesName) {
  for (const char* text :
       {"Bob Ray/Org", "CN=Bob Ray/OU=Sales/O=Org", "Bob Ray/Org@NotesDomain", "x@", "@example.com",
        "a..b@example.com", "ann@example..com", "j\xC3\xBCrgen@example.de", "Name <not an address>",
        "ann@example.com, bob@example.com", "Ann (Sales) ann@example.com"}) {
    EXPECT_EQ(ParseRecipientText(text), std::vector<Recipient>{NotesName(text)}) << text;
  }
}

TEST(RecipientText, TreatsAddressesBeyondTheLengthLimitAsNames) {
  const std::string longAddress = std::string(250, 'a') + "@example.com";
  EXPECT_FALSE(IsAddrSpec(longAddress));
  EXPECT_EQ(ParseRecipientText(longAddress), std::vector<Recipient>{NotesName(longAddress)});
}

}  // namespace
}  // namespace mailshift::platform
