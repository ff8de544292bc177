#include "shell/frmAbout.h"

#include <QLabel>

#include "shell/Artwork.h"
#include "shell/WindowPlacement.h"
#include "shell/presenters/ShellTexts.h"

namespace mailshift::shell {

frmAbout::frmAbout(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(QString::fromUtf8(text::kAboutCaption));
  setModal(true);
  setFixedSize(kSplashSize);
  auto* picture = new QLabel(this);
  picture->setObjectName(QStringLiteral("AboutPicture"));
  picture->setPixmap(AboutPicture());
  picture->setGeometry(QRect(QPoint(0, 0), kSplashSize));
}

void frmAbout::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CentreOnOwner(*this, parentWidget());
}

}  // namespace mailshift::shell
