#include "shell/WindowFont.h"

#include <QFontDatabase>
#include <QStringList>

namespace mailshift::shell {

QString WindowFontFamily() {
  static const QString family = [] {
    // Tahoma is narrow for a sans-serif; the condensed DejaVu keeps captions inside their places.
    const QStringList preferred{QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans Condensed"),
                                QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")};
    const QStringList available = QFontDatabase::families();
    for (const QString& candidate : preferred) {
      if (available.contains(candidate, Qt::CaseInsensitive)) return candidate;
    }
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
  }();
  return family;
}

QFont WindowFont(bool bold) {
  QFont font(WindowFontFamily());
  font.setPointSizeF(8.25);
  font.setBold(bold);
  return font;
}

}  // namespace mailshift::shell
