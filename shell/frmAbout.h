// The About window: the product's picture in a fixed dialog, closed with its title bar.
#pragma once

#include <QDialog>

namespace mailshift::shell {

class frmAbout final : public QDialog {
  Q_OBJECT

 public:
  explicit frmAbout(QWidget* owner);

 protected:
  void showEvent(QShowEvent* event) override;
};

}  // namespace mailshift::shell
