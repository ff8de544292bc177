// The program's pictures, drawn in code so that every image is our own and stays sharp at any size.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <vector>

namespace mailshift::shell {

// Indexes into the small icon list that the tree, the message list and the toolbar use.
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

// The image list SmallIcons: 72 icons, each holding 16, 24 and 32 pixel renderings.
const std::vector<QIcon>& SmallIcons();
// One icon of the list; an index outside it gives an empty icon.
QIcon SmallIcon(int index);

QIcon ProgramIcon();
QIcon ExportWindowIcon();

QPixmap LogoPicture(int side);          // the banner logo (Image3)
QPixmap RulePicture(int width);         // the thin rule under the banner (Image2)
QPixmap SelectFilePicture(QSize size);  // the picture on the first tab (Image1)
QPixmap PhaseArrowPicture();            // the 10 x 16 arrow that marks a phase
QPixmap SplashPicture();                // 541 x 209
QPixmap AboutPicture();                 // 541 x 209

inline constexpr QSize kSplashSize{541, 209};

}  // namespace mailshift::shell
