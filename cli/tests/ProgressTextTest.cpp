#include <gtest/gtest.h>

#include "cli/ProgressText.h"

namespace mailshift::cli {
namespace {

// The time left is guessed from the pace so far, and only once there is a pace to go by.
TEST(ProgressTextTest, TellsTheWholeRunAndGuessesTheTimeLeftFromThePace) {
  EXPECT_EQ(ProgressText({"Inbox", 1, 400, 0.01}), "Inbox: 1 of 400 messages (0%)");
  EXPECT_EQ(ProgressText({"Inbox", 100, 400, 30}), "Inbox: 100 of 400 messages (25%), about 2 min left");
  EXPECT_EQ(ProgressText({"Inbox", 390, 400, 39}),
            "Inbox: 390 of 400 messages (97%), less than a minute left");
  EXPECT_EQ(ProgressText({"Sent Items", 1000, 21000, 600}),
            "Sent Items: 1000 of 21000 messages (4%), about 3 h 20 min left");
  EXPECT_EQ(ProgressText({"Trash", 400, 400, 40}), "Trash: 400 of 400 messages (100%)");
  // Folders that grew since the scan: never more than all, nor past 100%.
  EXPECT_EQ(ProgressText({"Inbox", 410, 400, 40}), "Inbox: 410 of 410 messages (100%)");
  EXPECT_EQ(ProgressText({"Drafts", 0, 0, 0}), "Drafts: 0 of 0 messages (100%)");
}

}  // namespace
}  // namespace mailshift::cli
