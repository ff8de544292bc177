#include "shell/frmSave.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "shell/Artwork.h"
#include "shell/WindowFont.h"
#include "shell/WindowPlacement.h"

namespace mailshift::shell {
namespace {

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

frmSave::frmSave(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      ExportFrame(new QGroupBox(QStringLiteral(" Export Progress Details"), this)),
      ImgReadingArrow(new QLabel(ExportFrame)),
      LblSaveHeader(PlacedLabel(ExportFrame, "LblSaveHeader", QStringLiteral("Checking Configuration..."),
                                // Wider than designed, so that the folder names the run adds fit.
                                FromTwips(1080, 360, 5925, 195), false)),
      LblSubject(PlacedLabel(ExportFrame, "LblSubject", QStringLiteral("Subject :"),
                             FromTwips(240, 720, 735, 195), true)),
      LblProcessing(
          PlacedLabel(ExportFrame, "LblProcessing", QString(), FromTwips(1080, 720, 5925, 555), false)),
      LblFoundLabel(PlacedLabel(ExportFrame, "LblFoundLabel", QStringLiteral("Found :"),
                                FromTwips(360, 1320, 705, 195), true)),
      LblFound(PlacedLabel(ExportFrame, "LblFound", QString(), FromTwips(1080, 1320, 1725, 195), false)),
      Label1(PlacedLabel(ExportFrame, "Label1", QStringLiteral("Current :"), FromTwips(4440, 1320, 735, 195),
                         true)),
      LblCurrent(PlacedLabel(ExportFrame, "LblCurrent", QString(), FromTwips(5280, 1320, 1485, 195), false)),
      CmdConversion(new QPushButton(QStringLiteral("&Export Emails"), this)),
      lblSaveHeader_(*LblSaveHeader),
      lblSubject_(*LblSubject),
      lblProcessing_(*LblProcessing),
      lblFound_(*LblFound),
      lblCurrent_(*LblCurrent) {
  setObjectName(QStringLiteral("frmSave"));
  setWindowTitle(QStringLiteral("Export to Outlook Express .EML format"));
  setWindowIcon(ExportWindowIcon());
  setFont(WindowFont());
  setModal(true);
  setFixedSize(FromTwips(0, 0, 7350, 2565).size());

  ExportFrame->setObjectName(QStringLiteral("ExportFrame"));
  ExportFrame->setGeometry(FromTwips(120, 120, 7095, 1815));
  ImgReadingArrow->setObjectName(QStringLiteral("ImgReadingArrow"));
  ImgReadingArrow->setPixmap(PhaseArrowPicture());
  ImgReadingArrow->setGeometry(FromTwips(810, 360, 150, 240));
  LblProcessing->setWordWrap(true);
  CmdConversion->setObjectName(QStringLiteral("CmdConversion"));
  CmdConversion->setGeometry(FromTwips(2520, 2040, 2295, 435));
  CmdConversion->setIcon(SmallIcon(icon::kExport));
  CmdConversion->setAutoDefault(false);
  connect(CmdConversion, &QPushButton::clicked, this, &frmSave::CmdConversion_Click);
}

frmSave::~frmSave() = default;

void frmSave::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CentreOnOwner(*this, parentWidget());
}

void frmSave::CmdConversion_Click() {
  if (conversion_) conversion_();
}

}  // namespace mailshift::shell
