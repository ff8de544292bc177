// A Windows icon file (.ico) holding several renderings of one picture: the program icon the
// installer carries and the icons the Windows build embeds are written here.
#pragma once

#include <QByteArray>
#include <QImage>
#include <vector>

namespace mailshift::shell {

// The bytes of an .ico file with one entry per image, in the given order. Images up to 255 pixels
// are stored as 32-bit bitmaps with their transparency mask, which every Windows version and
// resource compiler reads; larger ones as PNG, as Windows keeps its 256-pixel icons.
QByteArray IconFileBytes(const std::vector<QImage>& images);

}  // namespace mailshift::shell
