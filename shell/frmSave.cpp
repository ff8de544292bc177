#include "shell/frmSave.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "shell/Artwork.h"
#include "shell/Guarded.h"
#include "shell/WindowFont.h"
#include "shell/WindowPlacement.h"

namespace mailshift::shell {
namespace {

// The labels change with every document; painting them this often is enough to follow.
constexpr qint64 kPaintIntervalMilliseconds = 40;

QLabel* PlacedLabel(QWidget* parent, const char* name, const QString& caption, const QRect& place,
                    bool bold) {
  auto* label = new QLabel(caption, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setGeometry(place);
  label->setFont(WindowFont(bold));
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return label;
}

bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
      return true;
    default:
      return false;
  }
}

QPushButton* RowButton(QWidget* parent, const char* name, const QString& caption, const QRect& place) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setGeometry(place);
  // Enter presses the button that has the focus.
  button->setAutoDefault(true);
  button->hide();
  return button;
}

}  // namespace

// While a run goes, the user's input to the export window and to its owner waits, but for the
// Cancel button and Esc; other windows (the run's own message boxes) take input as usual.
class frmSave::RunInputFilter final : public QObject {
 public:
  explicit RunInputFilter(frmSave& window) : window_(window) {}

  bool eventFilter(QObject* target, QEvent* event) override {
    if (!IsUserInput(event->type())) return false;
    auto* widget = qobject_cast<QWidget*>(target);
    if (widget == nullptr) return false;
    const QWidget* top = widget->window();
    const QWidget* owner = window_.parentWidget() != nullptr ? window_.parentWidget()->window() : nullptr;
    if (top != &window_ && top != owner) return false;
    if (widget == window_.CmdCancel) return false;
    const bool keyEvent = event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease ||
                          event->type() == QEvent::ShortcutOverride;
    return !(keyEvent && top == &window_ && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape);
  }

 private:
  frmSave& window_;
};

QRect FromTwips(int left, int top, int width, int height) {
  const auto pixels = [](int twips) {
    return (twips + frmSave::kTwipsPerPixel / 2) / frmSave::kTwipsPerPixel;
  };
  return QRect(pixels(left), pixels(top), pixels(width), pixels(height));
}

frmSave::frmSave(QWidget* owner, ExportContext context)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      context_(std::move(context)) {
  setObjectName(QStringLiteral("frmSave"));
  setWindowTitle(QStringLiteral("Export to Outlook Express .EML format"));
  setWindowIcon(ExportWindowIcon());
  setFont(WindowFont());
  setModal(true);
  setFixedSize(FromTwips(0, 0, 7350, 2565).size());

  ExportFrame = new QGroupBox(QStringLiteral(" Export Progress Details"), this);
  ExportFrame->setObjectName(QStringLiteral("ExportFrame"));
  ExportFrame->setGeometry(FromTwips(120, 120, 7095, 1815));
  ImgReadingArrow = new QLabel(ExportFrame);
  ImgReadingArrow->setObjectName(QStringLiteral("ImgReadingArrow"));
  ImgReadingArrow->setPixmap(PhaseArrowPicture());
  ImgReadingArrow->setGeometry(FromTwips(810, 360, 150, 240));
  // Wider than designed, so that the folder names the run adds to the header fit.
  LblSaveHeader = PlacedLabel(ExportFrame, "LblSaveHeader", QStringLiteral("Checking Configuration..."),
                              FromTwips(1080, 360, 5925, 195), false);
  LblSubject = PlacedLabel(ExportFrame, "LblSubject", QStringLiteral("Subject :"),
                           FromTwips(240, 720, 735, 195), true);
  LblProcessing =
      PlacedLabel(ExportFrame, "LblProcessing", QString(), FromTwips(1080, 720, 5925, 555), false);
  LblProcessing->setWordWrap(true);
  LblFoundLabel = PlacedLabel(ExportFrame, "LblFoundLabel", QStringLiteral("Found :"),
                              FromTwips(360, 1320, 705, 195), true);
  LblFound = PlacedLabel(ExportFrame, "LblFound", QString(), FromTwips(1080, 1320, 1725, 195), false);
  Label1 =
      PlacedLabel(ExportFrame, "Label1", QStringLiteral("Current :"), FromTwips(4440, 1320, 735, 195), true);
  LblCurrent = PlacedLabel(ExportFrame, "LblCurrent", QString(), FromTwips(5280, 1320, 1485, 195), false);

  CmdConversion = new QPushButton(QStringLiteral("&Export Emails"), this);
  CmdConversion->setObjectName(QStringLiteral("CmdConversion"));
  CmdConversion->setGeometry(FromTwips(2520, 2040, 2295, 435));
  CmdConversion->setIcon(SmallIcon(icon::kExport));
  CmdConversion->setAutoDefault(true);
  connect(CmdConversion, &QPushButton::clicked, this,
          [this] { RunGuarded(context_.services.Messages, [this] { CmdConversion_Click(); }); });

  CmdCancel = RowButton(this, "CmdCancel", QStringLiteral("Cancel"), FromTwips(2520, 2040, 2295, 435));
  CmdOpenFolder =
      RowButton(this, "CmdOpenFolder", QStringLiteral("Open Folder"), FromTwips(855, 2040, 1800, 435));
  CmdOpenLog = RowButton(this, "CmdOpenLog", QStringLiteral("Open Log"), FromTwips(2775, 2040, 1800, 435));
  CmdClose = RowButton(this, "CmdClose", QStringLiteral("Close"), FromTwips(4695, 2040, 1800, 435));
  const auto guarded = [this](void (frmSave::*command)()) {
    return
        [this, command] { RunGuarded(context_.services.Messages, [this, command] { (this->*command)(); }); };
  };
  connect(CmdCancel, &QPushButton::clicked, this, guarded(&frmSave::CmdCancel_Click));
  connect(CmdOpenFolder, &QPushButton::clicked, this, guarded(&frmSave::CmdOpenFolder_Click));
  connect(CmdOpenLog, &QPushButton::clicked, this, guarded(&frmSave::CmdOpenLog_Click));
  connect(CmdClose, &QPushButton::clicked, this, &QDialog::accept);
}

frmSave::~frmSave() = default;

void frmSave::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CentreOnOwner(*this, parentWidget());
}

void frmSave::closeEvent(QCloseEvent* event) {
  // During a run the title bar's close button (and Alt+F4) asks the run to stop; the window
  // stays until the run has ended.
  if (running_) {
    CmdCancel_Click();
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void frmSave::keyPressEvent(QKeyEvent* event) {
  // Esc closes the window, as its title bar does; in the middle of a run it asks the run to stop.
  if (running_ && event->key() == Qt::Key_Escape) {
    CmdCancel_Click();
    return;
  }
  QDialog::keyPressEvent(event);
}

void frmSave::CmdConversion_Click() {
  if (running_) return;
  running_ = true;
  stopRequested_ = false;
  ShowButtons(Stage::Running);
  inputFilter_ = std::make_unique<RunInputFilter>(*this);
  QCoreApplication::instance()->installEventFilter(inputFilter_.get());
  const auto endRun = [this] {
    QCoreApplication::instance()->removeEventFilter(inputFilter_.get());
    inputFilter_.reset();
    running_ = false;
  };
  sincePaint_.start();
  sinceEvents_.start();
  ShellServices& services = context_.services;
  const mail::ExportSetup setup{services.Sessions,     context_.state.Notes, context_.state.Values,
                                context_.databasePath, services.Writer,      *this,
                                services.LogPath};
  try {
    lastResult_ = mail::RunExport(setup);
  } catch (...) {
    endRun();
    ShowButtons(Stage::Ready);
    throw;
  }
  endRun();
  ShowButtons(lastResult_->end == mail::ExportEnd::Completed ? Stage::Done : Stage::Ready);
}

void frmSave::CmdCancel_Click() {
  if (!running_ || stopRequested_) return;
  stopRequested_ = true;
  CmdCancel->setEnabled(false);
  CmdCancel->repaint();
}

void frmSave::CmdOpenFolder_Click() {
  if (lastResult_) OpenWithDesktop(lastResult_->outputRoot, "The output folder");
}

void frmSave::CmdOpenLog_Click() {
  if (lastResult_) OpenWithDesktop(lastResult_->logPath, "The log");
}

void frmSave::OpenWithDesktop(const std::string& path, const char* what) {
  if (path.empty() || !context_.services.Desktop.Open(QString::fromStdString(path))) {
    context_.services.Messages.Show(std::string(what) + " could not be opened:\r\n" + path, "",
                                    MessageIcon::Information, MessageButtons::Ok);
  }
}

void frmSave::ShowButtons(Stage stage) {
  const bool done = stage == Stage::Done;
  CmdConversion->setVisible(stage == Stage::Ready);
  CmdConversion->setEnabled(stage == Stage::Ready);
  CmdCancel->setVisible(stage == Stage::Running);
  CmdCancel->setEnabled(stage == Stage::Running);
  CmdOpenFolder->setVisible(done);
  CmdOpenLog->setVisible(done);
  CmdClose->setVisible(done);
  if (done) {
    CmdOpenFolder->setEnabled(!lastResult_->outputRoot.empty());
    CmdOpenLog->setEnabled(!lastResult_->logPath.empty());
  }
  QPushButton* focus = stage == Stage::Ready ? CmdConversion : stage == Stage::Running ? CmdCancel : CmdClose;
  if (focus->isVisible()) focus->setFocus();
  if (isVisible()) repaint();
}

bool frmSave::StopRequested() {
  LetWindowsFollow();
  return stopRequested_;
}

void frmSave::DocumentHandled(const mail::ExportProgress&) { LetWindowsFollow(); }

void frmSave::LetWindowsFollow() {
  if (sinceEvents_.isValid() && sinceEvents_.elapsed() < kPaintIntervalMilliseconds) return;
  QCoreApplication::processEvents();
  sinceEvents_.restart();
}

void frmSave::SetLabel(mail::ExportLabel label, const std::string& text) {
  QLabel* target = nullptr;
  switch (label) {
    case mail::ExportLabel::LblSaveHeader:
      target = LblSaveHeader;
      break;
    case mail::ExportLabel::LblProcessing:
      target = LblProcessing;
      break;
    case mail::ExportLabel::LblFound:
      target = LblFound;
      break;
    case mail::ExportLabel::LblCurrent:
      target = LblCurrent;
      break;
  }
  target->setText(QString::fromStdString(text));
  PaintProgress(label == mail::ExportLabel::LblSaveHeader);
  if (running_) LetWindowsFollow();
}

void frmSave::SetSubjectVisible(bool visible) {
  LblSubject->setVisible(visible);
  PaintProgress(true);
}

void frmSave::ShowMessage(const mail::ExportMessage& message) {
  PaintProgress(true);
  context_.services.Messages.Show(message.text, message.title, message.icon, MessageButtons::Ok);
}

void frmSave::PaintProgress(bool now) {
  if (!isVisible()) return;
  if (!now && sincePaint_.isValid() && sincePaint_.elapsed() < kPaintIntervalMilliseconds) return;
  ExportFrame->repaint();
  sincePaint_.restart();
}

}  // namespace mailshift::shell
