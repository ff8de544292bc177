// Indexes into the small icon list that the tree, the message list, the toolbar and the menus use.
#pragma once

namespace mailshift::shell {

namespace icon {
inline constexpr int kDatabase = 0;
inline constexpr int kOpen = 1;
inline constexpr int kScan = 2;
inline constexpr int kExport = 3;
inline constexpr int kHelp = 4;
inline constexpr int kAbout = 5;
inline constexpr int kExit = 6;
inline constexpr int kMessage = 56;
inline constexpr int kDrafts = 65;
inline constexpr int kTrash = 66;
inline constexpr int kInbox = 67;
inline constexpr int kJunkMail = 68;
inline constexpr int kSent = 69;
inline constexpr int kFolder = 70;
inline constexpr int kFollowUp = 71;
inline constexpr int kCount = 72;
}  // namespace icon

}  // namespace mailshift::shell
