#include "shell/frmSave.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "shell/Artwork.h"
#include "shell/WindowFont.h"
#include "shell/WindowPlacement.h"

namespace mailshift::shell {
namespace {

// The labels change with every document; painting them this often is enough to follow.
constexpr qint64 kPaintIntervalMilliseconds = 40;

// Indexes into the layout's labels of the labels the run writes into.
std::size_t LabelIndex(ExportLabel label) {
  switch (label) {
    case ExportLabel::LblSaveHeader:
      return 0;
    case ExportLabel::LblProcessing:
      return 2;
    case ExportLabel::LblFound:
      return 4;
    case ExportLabel::LblCurrent:
      return 6;
  }
  return 0;
}
constexpr std::size_t kSubjectLabel = 1;

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
    if (widget == window_.Button(layout::kCancel)) return false;
    const bool keyEvent = event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease ||
                          event->type() == QEvent::ShortcutOverride;
    return !(keyEvent && top == &window_ && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape);
  }

 private:
  frmSave& window_;
};

QRect FromTwips(const layout::Place& place) {
  return QRect(layout::Pixels(place.left), layout::Pixels(place.top), layout::Pixels(place.width),
               layout::Pixels(place.height));
}

frmSave::frmSave(QWidget* owner, ExportPresenter& presenter, ShellServices& services)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      ServicedExportView(services),
      presenter_(presenter) {
  setObjectName(QStringLiteral("frmSave"));
  setWindowTitle(QString::fromUtf8(text::kExportCaption));
  setWindowIcon(ExportWindowIcon());
  setFont(WindowFont());
  setModal(true);
  setFixedSize(FromTwips(layout::kExportClient).size());

  ExportFrame = new QGroupBox(QString::fromUtf8(text::kExportFrame), this);
  ExportFrame->setObjectName(QStringLiteral("ExportFrame"));
  ExportFrame->setGeometry(FromTwips(layout::kExportFrame));
  auto* arrow = new QLabel(ExportFrame);
  arrow->setObjectName(QStringLiteral("ImgReadingArrow"));
  arrow->setPixmap(PhaseArrowPicture());
  arrow->setGeometry(FromTwips(layout::kExportArrow));
  for (std::size_t i = 0; i < layout::kExportLabels.size(); ++i) {
    const layout::PlacedLabel& placed = layout::kExportLabels[i];
    auto* label = new QLabel(QString::fromUtf8(placed.caption), ExportFrame);
    label->setObjectName(QString::fromLatin1(placed.name));
    label->setGeometry(FromTwips(placed.place));
    label->setFont(WindowFont(placed.bold));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(placed.multiLine);
    labels_[i] = label;
  }
  for (std::size_t i = 0; i < layout::kExportButtons.size(); ++i) {
    const layout::PlacedButton& placed = layout::kExportButtons[i];
    auto* button = new QPushButton(QString::fromUtf8(placed.caption), this);
    button->setObjectName(QString::fromLatin1(placed.name));
    button->setGeometry(FromTwips(placed.place));
    // Enter presses the button that has the focus.
    button->setAutoDefault(true);
    buttons_[i] = button;
  }
  Button(layout::kConversion)->setIcon(SmallIcon(icon::kExport));
  connect(Button(layout::kConversion), &QPushButton::clicked, this,
          [this] { presenter_.CmdConversion_Click(); });
  connect(Button(layout::kCancel), &QPushButton::clicked, this, [this] { presenter_.CmdCancel_Click(); });
  connect(Button(layout::kOpenFolder), &QPushButton::clicked, this,
          [this] { presenter_.CmdOpenFolder_Click(); });
  connect(Button(layout::kOpenLog), &QPushButton::clicked, this, [this] { presenter_.CmdOpenLog_Click(); });
  connect(Button(layout::kClose), &QPushButton::clicked, this, [this] { presenter_.CmdClose_Click(); });
  presenter_.Attach(*this);
}

frmSave::~frmSave() { presenter_.Detach(); }

void frmSave::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CentreOnOwner(*this, parentWidget());
}

void frmSave::closeEvent(QCloseEvent* event) {
  // During a run the title bar's close button (and Alt+F4) asks the run to stop; the window
  // stays until the run has ended.
  if (!presenter_.CloseRequested()) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void frmSave::keyPressEvent(QKeyEvent* event) {
  // Esc closes the window, as its title bar does; in the middle of a run it asks the run to stop.
  if (event->key() == Qt::Key_Escape) {
    presenter_.CmdCancel_Click();
    return;
  }
  QDialog::keyPressEvent(event);
}

void frmSave::ShowStage(ExportStage stage, bool canOpenFolder, bool canOpenLog) {
  const bool ready = stage == ExportStage::Ready;
  const bool running = stage == ExportStage::Running || stage == ExportStage::Stopping;
  const bool done = stage == ExportStage::Done;
  const std::pair<layout::ExportButton, std::pair<bool, bool>> states[] = {
      {layout::kConversion, {ready, ready}},
      {layout::kCancel, {running, stage == ExportStage::Running}},
      {layout::kOpenFolder, {done, canOpenFolder}},
      {layout::kOpenLog, {done, canOpenLog}},
      {layout::kClose, {done, done}},
  };
  for (const auto& [button, state] : states) {
    Button(button)->setVisible(state.first);
    Button(button)->setEnabled(state.second);
  }
  // While a run goes, the user's input to this window and its owner waits, but for Cancel and Esc.
  if (running && !inputFilter_) {
    inputFilter_ = std::make_unique<RunInputFilter>(*this);
    QCoreApplication::instance()->installEventFilter(inputFilter_.get());
    sincePaint_.start();
    sinceEvents_.start();
  } else if (!running && inputFilter_) {
    QCoreApplication::instance()->removeEventFilter(inputFilter_.get());
    inputFilter_.reset();
  }
  if (stage == ExportStage::Stopping) {
    Button(layout::kCancel)->repaint();
    return;
  }
  QPushButton* focus = Button(ready ? layout::kConversion : running ? layout::kCancel : layout::kClose);
  if (focus->isVisible()) focus->setFocus();
  if (isVisible()) repaint();
}

void frmSave::LetWindowsFollow() {
  if (sinceEvents_.isValid() && sinceEvents_.elapsed() < kPaintIntervalMilliseconds) return;
  QCoreApplication::processEvents();
  sinceEvents_.restart();
}

void frmSave::SetLabel(ExportLabel label, const std::string& text) {
  labels_[LabelIndex(label)]->setText(QString::fromStdString(text));
  PaintProgress(label == ExportLabel::LblSaveHeader);
}

void frmSave::ShowSubjectCaption(bool shown) {
  labels_[kSubjectLabel]->setVisible(shown);
  PaintProgress(true);
}

void frmSave::PaintProgress(bool now) {
  if (!isVisible()) return;
  if (!now && sincePaint_.isValid() && sincePaint_.elapsed() < kPaintIntervalMilliseconds) return;
  ExportFrame->repaint();
  sincePaint_.restart();
}

}  // namespace mailshift::shell
