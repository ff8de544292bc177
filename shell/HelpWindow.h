// The program's own help window: the HTML help pages in a browser pane, for systems where no
// program shows "Help.chm".
#pragma once

#include <QDialog>
#include <QString>

class QTextBrowser;

namespace mailshift::shell {

class HelpWindow final : public QDialog {
  Q_OBJECT

 public:
  HelpWindow(QWidget* owner, const QString& startPage);
  // Shows the start page again and brings the window up.
  void ShowContents();
  QTextBrowser& Browser() const { return *browser_; }

 private:
  QTextBrowser* browser_ = nullptr;
  QString startPage_;
};

}  // namespace mailshift::shell
