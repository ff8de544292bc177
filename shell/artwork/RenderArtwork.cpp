// mailshift-artwork OUTPUT_FOLDER: writes every picture and icon the windows use as files, so that
// the Windows build embeds the same artwork the Linux windows draw. Pictures become 32-bit bitmaps
// with premultiplied alpha (what AlphaBlend and image lists take), icons multi-size .ico files.
#include <QDir>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "shell/Artwork.h"

using namespace mailshift::shell;

namespace {

void Put16(std::vector<char>& out, std::uint32_t value) {
  out.push_back(static_cast<char>(value & 0xff));
  out.push_back(static_cast<char>((value >> 8) & 0xff));
}

void Put32(std::vector<char>& out, std::uint32_t value) {
  Put16(out, value & 0xffff);
  Put16(out, value >> 16);
}

// The pixels bottom-up as BGRA, premultiplied or straight, after a BITMAPINFOHEADER whose height
// is `height` (doubled in icons, where the mask follows).
void PutDib(std::vector<char>& out, const QImage& source, bool premultiplied, int height) {
  const QImage image =
      source.convertToFormat(premultiplied ? QImage::Format_ARGB32_Premultiplied : QImage::Format_ARGB32);
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(image.width()));
  Put32(out, static_cast<std::uint32_t>(height));
  Put16(out, 1);
  Put16(out, 32);
  Put32(out, 0);  // BI_RGB
  Put32(out, static_cast<std::uint32_t>(image.width() * image.height() * 4));
  Put32(out, 3780);
  Put32(out, 3780);
  Put32(out, 0);
  Put32(out, 0);
  for (int y = image.height() - 1; y >= 0; --y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x) Put32(out, line[x]);
  }
}

bool Write(const QString& path, const std::vector<char>& bytes) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) ||
      file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()) ||
      !file.commit()) {
    std::fprintf(stderr, "mailshift-artwork: %s could not be written\n", qPrintable(path));
    return false;
  }
  return true;
}

bool WriteBitmap(const QString& path, const QImage& image) {
  std::vector<char> dib;
  PutDib(dib, image, true, image.height());
  std::vector<char> out;
  Put16(out, 0x4d42);  // "BM"
  Put32(out, static_cast<std::uint32_t>(14 + dib.size()));
  Put32(out, 0);
  Put32(out, 14 + 40);
  out.insert(out.end(), dib.begin(), dib.end());
  return Write(path, out);
}

bool WriteIcon(const QString& path, const QIcon& icon) {
  const int sides[] = {16, 24, 32, 48, 64};
  std::vector<std::vector<char>> entries;
  for (const int side : sides) {
    const QImage image =
        icon.pixmap(side, side).toImage().scaled(side, side).convertToFormat(QImage::Format_ARGB32);
    std::vector<char> entry;
    PutDib(entry, image, false, side * 2);
    // The AND mask: a set bit where the picture is fully transparent, rows padded to 32 bits.
    const int rowBytes = ((side + 31) / 32) * 4;
    for (int y = side - 1; y >= 0; --y) {
      std::vector<unsigned char> row(static_cast<std::size_t>(rowBytes), 0);
      for (int x = 0; x < side; ++x) {
        if (qAlpha(image.pixel(x, y)) == 0)
          row[static_cast<std::size_t>(x / 8)] |= static_cast<unsigned char>(0x80 >> (x % 8));
      }
      entry.insert(entry.end(), row.begin(), row.end());
    }
    entries.push_back(std::move(entry));
  }
  std::vector<char> out;
  Put16(out, 0);
  Put16(out, 1);  // icon
  Put16(out, static_cast<std::uint32_t>(entries.size()));
  std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    out.push_back(static_cast<char>(sides[i]));
    out.push_back(static_cast<char>(sides[i]));
    out.push_back(0);
    out.push_back(0);
    Put16(out, 1);
    Put16(out, 32);
    Put32(out, static_cast<std::uint32_t>(entries[i].size()));
    Put32(out, offset);
    offset += static_cast<std::uint32_t>(entries[i].size());
  }
  for (const auto& entry : entries) out.insert(out.end(), entry.begin(), entry.end());
  return Write(path, out);
}

// The icons of SmallIcons side by side, each `side` pixels square: the strip an image list loads.
QImage IconStrip(int side) {
  QImage strip(side * icon::kCount, side, QImage::Format_ARGB32_Premultiplied);
  strip.fill(Qt::transparent);
  QPainter painter(&strip);
  for (int i = 0; i < icon::kCount; ++i) {
    painter.drawPixmap(i * side, 0, SmallIcon(i).pixmap(side, side).scaled(side, side));
  }
  return strip;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: mailshift-artwork OUTPUT_FOLDER\n");
    return 2;
  }
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  if (!folder.mkpath(QStringLiteral("."))) {
    std::fprintf(stderr, "mailshift-artwork: the folder %s could not be made\n", argv[1]);
    return 1;
  }
  const auto at = [&folder](const char* name) { return folder.filePath(QString::fromLatin1(name)); };
  const bool written = WriteBitmap(at("splash.bmp"), SplashPicture().toImage()) &&
                       WriteBitmap(at("about.bmp"), AboutPicture().toImage()) &&
                       WriteBitmap(at("logo.bmp"), LogoPicture(48).toImage()) &&
                       WriteBitmap(at("rule.bmp"), RulePicture(940).toImage()) &&
                       WriteBitmap(at("selectfile.bmp"), SelectFilePicture(QSize(176, 132)).toImage()) &&
                       WriteBitmap(at("arrow.bmp"), PhaseArrowPicture().toImage()) &&
                       WriteBitmap(at("smallicons16.bmp"), IconStrip(16)) &&
                       WriteBitmap(at("smallicons24.bmp"), IconStrip(24)) &&
                       WriteIcon(at("program.ico"), ProgramIcon()) &&
                       WriteIcon(at("export.ico"), ExportWindowIcon());
  return written ? 0 : 1;
}
