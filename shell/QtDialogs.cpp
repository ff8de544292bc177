#include "shell/QtDialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <memory>
#include <utility>
#include <vector>

#include "common/TextRules.h"
#include "shell/presenters/Vendor.h"

namespace mailshift::shell {
namespace {

QMessageBox::Icon BoxIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Information:
      return QMessageBox::Information;
    case MessageIcon::Question:
      return QMessageBox::Question;
    case MessageIcon::Exclamation:
      return QMessageBox::Warning;
    case MessageIcon::Critical:
      return QMessageBox::Critical;
    case MessageIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
// The desktop's launcher starts even when no program takes the file's type; ask it first.
bool HasDesktopHandler(const QString& path) {
  const QString query = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
  if (query.isEmpty()) return true;  // nothing to ask; the launcher's own answer decides
  const QString type = QMimeDatabase().mimeTypeForFile(path).name();
  QProcess process;
  process.start(query, {QStringLiteral("query"), QStringLiteral("default"), type});
  if (!process.waitForFinished(5000)) {
    process.kill();
    process.waitForFinished();
    return true;
  }
  return !process.readAllStandardOutput().trimmed().isEmpty();
}
#else
bool HasDesktopHandler(const QString&) { return true; }
#endif

}  // namespace

QString MessageText(const std::string& text) {
  return QString::fromStdString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

MessageAnswer QtMessageBoxes::Show(const std::string& text, const std::string& title, MessageIcon icon,
                                   MessageButtons buttons) {
  const QMessageBox::StandardButtons shown =
      buttons == MessageButtons::YesNo         ? (QMessageBox::Yes | QMessageBox::No)
      : buttons == MessageButtons::YesNoCancel ? (QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)
                                               : QMessageBox::Ok;
  QMessageBox box(BoxIcon(icon),
                  title.empty() ? QString::fromUtf8(kApplicationName) : QString::fromStdString(title),
                  MessageText(text), shown, QApplication::activeWindow());
  if (buttons != MessageButtons::Ok) box.setDefaultButton(QMessageBox::Yes);
  if (buttons == MessageButtons::YesNoCancel) box.setEscapeButton(QMessageBox::Cancel);
  const int answer = box.exec();
  if (buttons == MessageButtons::Ok) return MessageAnswer::Ok;
  if (answer == QMessageBox::Yes) return MessageAnswer::Yes;
  return answer == QMessageBox::No ? MessageAnswer::No : MessageAnswer::Cancel;
}

QString ToQtFileFilter(const std::string& filter) {
  const std::vector<std::string> parts = Split(filter, '|');
  QStringList entries;
  for (std::size_t i = 0; i < parts.size(); i += 2) {
    QString description = QString::fromStdString(parts[i]);
    const QString patterns = i + 1 < parts.size() ? QString::fromStdString(parts[i + 1]) : QString();
    QString qtPatterns = patterns;
    qtPatterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    if (!patterns.isEmpty() && !description.contains(QLatin1Char('(') + qtPatterns + QLatin1Char(')'))) {
      description += QStringLiteral(" (") + qtPatterns + QLatin1Char(')');
    }
    entries << description;
  }
  return entries.join(QStringLiteral(";;"));
}

std::string QtFileOpenDialog::ShowOpen(const std::string& filter) {
  QWidget* owner = owner_ ? owner_.data() : QApplication::activeWindow();
  const QString start = QString::fromStdString(StartFolder());
  const QString chosen = QFileDialog::getOpenFileName(owner, QString(), start, ToQtFileFilter(filter));
  return QDir::toNativeSeparators(chosen).toStdString();
}

std::string QtFolderPicker::PickFolder(std::intptr_t, const std::string& title) {
  const QString start = QString::fromStdString(StartFolder());
  const QString chosen = QFileDialog::getExistingDirectory(
      QApplication::activeWindow(), QString::fromStdString(title), start, QFileDialog::ShowDirsOnly);
  return QDir::toNativeSeparators(chosen).toStdString();
}

namespace {

// Keeps the keys and clicks that reach the program's widgets while it waits, and hands them on,
// in their order, once the wait is over: a key pressed during a load applies after it. (Input
// from the window system waits on its own under ExcludeUserInputEvents; this keeps what was
// posted or sent to a widget.)
class InputHold final : public QObject {
 public:
  InputHold() { QCoreApplication::instance()->installEventFilter(this); }
  ~InputHold() override {
    QCoreApplication::instance()->removeEventFilter(this);
    for (auto& [receiver, event] : held_) {
      if (!receiver.isNull()) QCoreApplication::postEvent(receiver.data(), event.release());
    }
  }
  InputHold(const InputHold&) = delete;
  InputHold& operator=(const InputHold&) = delete;

  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::Wheel:
        if (!watched->isWidgetType()) return false;
        held_.emplace_back(QPointer<QObject>(watched), std::unique_ptr<QEvent>(event->clone()));
        return true;
      default:
        return false;
    }
  }

 private:
  std::vector<std::pair<QPointer<QObject>, std::unique_ptr<QEvent>>> held_;
};

}  // namespace

void QtWaiter::Pause(int milliseconds) {
  if (milliseconds <= 0) return;
  InputHold hold;
  QEventLoop loop;
  QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
  loop.exec(QEventLoop::ExcludeUserInputEvents);
}

void QtWaiter::DoEvents() {
  InputHold hold;
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

bool DesktopFileOpener::Open(const std::string& path) {
  const QString file = QString::fromStdString(path);
  if (!HasDesktopHandler(file)) return false;
  return QDesktopServices::openUrl(QUrl::fromLocalFile(file));
}

}  // namespace mailshift::shell
