// mailshift-artwork OUTPUT_FOLDER: writes every picture and icon the windows use as files, so that
// the Windows build embeds the same artwork the Linux windows draw. Pictures become 32-bit bitmaps
// with premultiplied alpha (what AlphaBlend and image lists take), icons multi-size .ico files
// (IconFile).
#include <QDir>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "shell/Artwork.h"
#include "shell/artwork/IconFile.h"

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

// The pixels bottom-up as premultiplied BGRA, after a BITMAPINFOHEADER.
void PutDib(std::vector<char>& out, const QImage& source) {
  const QImage image = source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(image.width()));
  Put32(out, static_cast<std::uint32_t>(image.height()));
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
  PutDib(dib, image);
  std::vector<char> out;
  Put16(out, 0x4d42);  // "BM"
  Put32(out, static_cast<std::uint32_t>(14 + dib.size()));
  Put32(out, 0);
  Put32(out, 14 + 40);
  out.insert(out.end(), dib.begin(), dib.end());
  return Write(path, out);
}

bool WriteIcon(const QString& path, const QIcon& icon) {
  std::vector<QImage> images;
  for (const int side : {16, 24, 32, 48, 64}) {
    images.push_back(
        icon.pixmap(side, side).toImage().scaled(side, side).convertToFormat(QImage::Format_ARGB32));
  }
  try {
    const QByteArray bytes = IconFileBytes(images);
    return Write(path, std::vector<char>(bytes.begin(), bytes.end()));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "mailshift-artwork: %s: %s\n", qPrintable(path), error.what());
    return false;
  }
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
