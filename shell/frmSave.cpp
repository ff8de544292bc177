#include "shell/frmSave.h"

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

}  // namespace

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
  CmdConversion->setAutoDefault(false);
  connect(CmdConversion, &QPushButton::clicked, this,
          [this] { RunGuarded(context_.services.Messages, [this] { CmdConversion_Click(); }); });
}

frmSave::~frmSave() = default;

void frmSave::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CentreOnOwner(*this, parentWidget());
}

void frmSave::closeEvent(QCloseEvent* event) {
  if (running_) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void frmSave::keyPressEvent(QKeyEvent* event) {
  // Esc closes the window, as its title bar does, but never in the middle of a run.
  if (running_ && event->key() == Qt::Key_Escape) return;
  QDialog::keyPressEvent(event);
}

void frmSave::CmdConversion_Click() {
  if (running_) return;
  running_ = true;
  // The run does not return to the event loop; a press made meanwhile must not start another.
  CmdConversion->setEnabled(false);
  sincePaint_.start();
  ShellServices& services = context_.services;
  const mail::ExportSetup setup{services.Sessions,     context_.state.Notes, context_.state.Values,
                                context_.databasePath, services.Writer,      *this,
                                services.LogPath};
  try {
    lastResult_ = mail::RunExport(setup);
  } catch (...) {
    running_ = false;
    CmdConversion->setEnabled(true);
    throw;
  }
  running_ = false;
  CmdConversion->setEnabled(true);
  if (lastResult_->end == mail::ExportEnd::Completed) accept();
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
