#include <gtest/gtest.h>

#include "export/ScanSelection.h"
#include "notes/testing/MemoryNotes.h"

namespace mailshift::mail {
namespace {

using notes::testing::MemoryNotesClient;

std::shared_ptr<notes::Database> Open(MemoryNotesClient& client, const std::string& path) {
  return client.CreateObject(notes::kDominoSessionClass)->GetDatabase("", path);
}

TEST(ScanSelection, HoldsEveryTagOfTheTreeAFreshScanBuilds) {
  MemoryNotesClient client;
  auto& database = client.AddDatabase("mail.nsf");
  for (const char* view :
       {"($Inbox)", "($Trash)", "Work", " Projects ", "Projects\\2008", "(Hidden)", "Work"}) {
    database.AddView(view, true);
  }
  database.AddView("By Date", false);
  database.AddView("", true);
  database.AddView("   ", true);
  database.AddView("Unreadable", true).failName = true;
  EXPECT_EQ(ScanSelection(*Open(client, "mail.nsf")),
            (std::vector<std::string>{"Inbox", "Drafts", "Sent", "Follow-Up", "JunkMail", "Trash", "Folders",
                                      "Projects", "Projects\\2008", "Work"}));
}

TEST(ScanSelection, FailsWhenTheViewsCannotBeRead) {
  MemoryNotesClient client;
  client.AddDatabase("mail.nsf").failViews = true;
  EXPECT_THROW(ScanSelection(*Open(client, "mail.nsf")), notes::NotesError);
}

}  // namespace
}  // namespace mailshift::mail
