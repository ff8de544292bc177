// Renders the program icon the windows show into the files the packages carry, so that the
// artwork has one source: PNG files for the desktop's icon theme and one .ico for Windows.
//   mailshift-render-icons FOLDER SIZE...
// writes FOLDER/hicolor/SIZExSIZE/apps/corvane-mailshift.png for each SIZE and FOLDER/mailshift.ico.
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <exception>
#include <vector>

#include "shell/Artwork.h"
#include "shell/artwork/IconFile.h"

namespace {

constexpr int kWindowsIconSizes[] = {16, 24, 32, 48, 256};

QImage IconImage(int side) {
  QImage image = mailshift::shell::ProgramIcon().pixmap(QSize(side, side)).toImage();
  if (image.size() != QSize(side, side))
    image = image.scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  return image.convertToFormat(QImage::Format_ARGB32);
}

void Write(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush())
    throw std::runtime_error(("cannot write " + path + ": " + file.errorString()).toStdString());
}

}  // namespace

int main(int argc, char** argv) {
  // Pictures only: no display is needed.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  if (argc < 3) {
    std::fprintf(stderr, "usage: mailshift-render-icons FOLDER SIZE...\n");
    return 2;
  }
  try {
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    for (int i = 2; i < argc; ++i) {
      const int side = QByteArray(argv[i]).toInt();
      if (side <= 0 || side > 1024) throw std::runtime_error(std::string("not an icon size: ") + argv[i]);
      const QString theme = QStringLiteral("hicolor/%1x%1/apps").arg(side);
      if (!folder.mkpath(theme))
        throw std::runtime_error(("cannot make " + folder.filePath(theme)).toStdString());
      const QString png = folder.filePath(theme + QStringLiteral("/corvane-mailshift.png"));
      if (!IconImage(side).save(png, "PNG")) throw std::runtime_error(("cannot write " + png).toStdString());
    }
    std::vector<QImage> windowsImages;
    for (const int side : kWindowsIconSizes) windowsImages.push_back(IconImage(side));
    Write(folder.filePath(QStringLiteral("mailshift.ico")), mailshift::shell::IconFileBytes(windowsImages));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "mailshift-render-icons: %s\n", error.what());
    return 1;
  }
  return 0;
}
