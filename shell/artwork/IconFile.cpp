#include "shell/artwork/IconFile.h"

#include <QBuffer>
#include <QDataStream>
#include <stdexcept>

namespace mailshift::shell {
namespace {

constexpr int kDirectoryEntrySize = 16;
constexpr int kBitmapHeaderSize = 40;

QByteArray PngBytes(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) throw std::runtime_error("an icon image could not be stored as PNG");
  return bytes;
}

// A 32-bit bitmap of twice the height (the colour rows, then the mask rows), bottom row first.
QByteArray BitmapBytes(const QImage& source) {
  const QImage image = source.convertToFormat(QImage::Format_ARGB32);
  const int width = image.width();
  const int height = image.height();
  const int maskStride = ((width + 31) / 32) * 4;
  QByteArray bytes;
  QDataStream out(&bytes, QIODevice::WriteOnly);
  out.setByteOrder(QDataStream::LittleEndian);
  out << quint32(kBitmapHeaderSize) << qint32(width) << qint32(height * 2) << quint16(1) << quint16(32)
      << quint32(0) << quint32(width * height * 4 + maskStride * height) << qint32(0) << qint32(0)
      << quint32(0) << quint32(0);
  for (int y = height - 1; y >= 0; --y) {
    const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < width; ++x)
      out << quint8(qBlue(row[x])) << quint8(qGreen(row[x])) << quint8(qRed(row[x]))
          << quint8(qAlpha(row[x]));
  }
  for (int y = height - 1; y >= 0; --y) {
    const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    QByteArray mask(maskStride, '\0');
    for (int x = 0; x < width; ++x) {
      if (qAlpha(row[x]) == 0) mask[x / 8] = static_cast<char>(mask[x / 8] | (0x80 >> (x % 8)));
    }
    out.writeRawData(mask.constData(), static_cast<int>(mask.size()));
  }
  return bytes;
}

}  // namespace

QByteArray IconFileBytes(const std::vector<QImage>& images) {
  std::vector<QByteArray> entries;
  for (const QImage& image : images) {
    if (image.isNull() || image.width() > 256 || image.height() > 256)
      throw std::runtime_error("an icon image is empty or larger than 256 pixels");
    entries.push_back(image.width() > 255 ? PngBytes(image) : BitmapBytes(image));
  }
  QByteArray bytes;
  QDataStream out(&bytes, QIODevice::WriteOnly);
  out.setByteOrder(QDataStream::LittleEndian);
  out << quint16(0) << quint16(1) << quint16(images.size());
  quint32 offset = 6 + kDirectoryEntrySize * static_cast<quint32>(images.size());
  for (std::size_t i = 0; i < images.size(); ++i) {
    // A side of 256 is written as 0.
    out << quint8(images[i].width() & 0xFF) << quint8(images[i].height() & 0xFF) << quint8(0) << quint8(0)
        << quint16(1) << quint16(32) << quint32(entries[i].size()) << offset;
    offset += static_cast<quint32>(entries[i].size());
  }
  for (const QByteArray& entry : entries) out.writeRawData(entry.constData(), static_cast<int>(entry.size()));
  return bytes;
}

}  // namespace mailshift::shell
