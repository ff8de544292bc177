// The program's pictures, drawn in code so that every image is our own and stays sharp at any size.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <vector>

#include "shell/presenters/Icons.h"

namespace mailshift::shell {

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
