#include "notes/SessionOrigin.h"

#include <gtest/gtest.h>

#include "notes/testing/MemoryNotes.h"

namespace mailshift::notes {
namespace {

using testing::MemoryNotesClient;
using Behaviour = MemoryNotesClient::ClassBehaviour;

TEST(ObtainSession, PrefersTheDominoClass) {
  MemoryNotesClient client;
  const auto obtained = ObtainSession(client);
  EXPECT_TRUE(obtained.session);
  EXPECT_EQ(obtained.origin, SessionOrigin::Domino);
  EXPECT_EQ(client.createdClasses, (std::vector<std::string>{"Domino.NotesSession"}));
}

TEST(ObtainSession, FallsBackToTheNotesClassWhenTheFirstFailsOrYieldsNothing) {
  for (const auto first : {Behaviour::Fails, Behaviour::YieldsNothing}) {
    MemoryNotesClient client;
    client.SetClassBehaviour(kDominoSessionClass, first);
    const auto obtained = ObtainSession(client);
    EXPECT_TRUE(obtained.session);
    EXPECT_EQ(obtained.origin, SessionOrigin::Notes);
    EXPECT_EQ(client.createdClasses, (std::vector<std::string>{"Domino.NotesSession", "Notes.NotesSession"}));
  }
}

TEST(ObtainSession, ReportsWhyNeitherClassGaveASession) {
  MemoryNotesClient client;
  client.SetClassBehaviour(kDominoSessionClass, Behaviour::Fails);
  client.SetClassBehaviour(kNotesSessionClass, Behaviour::Fails);
  const auto obtained = ObtainSession(client);
  EXPECT_FALSE(obtained.session);
  EXPECT_EQ(obtained.origin, SessionOrigin::None);
  EXPECT_NE(obtained.failure.find("Notes.NotesSession"), std::string::npos);
}

TEST(ItemValueText, WritesEachKindOfValue) {
  EXPECT_EQ(ItemValueText(ItemValue{std::string("text")}), "text");
  EXPECT_EQ(ItemValueText(ItemValue{3.0}), "3");
  EXPECT_EQ(ItemValueText(ItemValue{-2.5}), "-2.5");
  EXPECT_FALSE(ItemValueText(ItemValue{DateTime{1225895400, 0}}).empty());
}

}  // namespace
}  // namespace mailshift::notes
