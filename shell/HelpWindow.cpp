#include "shell/HelpWindow.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "shell/Artwork.h"
#include "shell/presenters/Vendor.h"

namespace mailshift::shell {

HelpWindow::HelpWindow(QWidget* owner, const QString& startPage)
    : QDialog(owner, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      startPage_(startPage) {
  setObjectName(QStringLiteral("HelpWindow"));
  setWindowTitle(QStringLiteral("Help - ") + QString::fromUtf8(kApplicationName));
  setWindowIcon(ProgramIcon());
  resize(780, 580);

  auto* back = new QPushButton(QStringLiteral("&Back"), this);
  back->setObjectName(QStringLiteral("HelpBack"));
  back->setEnabled(false);
  auto* contents = new QPushButton(QStringLiteral("&Contents"), this);
  contents->setObjectName(QStringLiteral("HelpContents"));
  browser_ = new QTextBrowser(this);
  browser_->setObjectName(QStringLiteral("HelpPages"));
  browser_->setOpenExternalLinks(true);
  connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
  connect(browser_, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
  connect(contents, &QPushButton::clicked, this,
          [this] { browser_->setSource(QUrl::fromLocalFile(startPage_)); });

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(back);
  buttons->addWidget(contents);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->addLayout(buttons);
  layout->addWidget(browser_, 1);
  browser_->setSource(QUrl::fromLocalFile(startPage_));
}

void HelpWindow::ShowContents() {
  browser_->setSource(QUrl::fromLocalFile(startPage_));
  show();
  raise();
  activateWindow();
}

}  // namespace mailshift::shell
