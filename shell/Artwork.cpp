#include "shell/Artwork.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <functional>

#include "common/Messages.h"
#include "shell/WindowFont.h"
#include "shell/presenters/Vendor.h"

namespace mailshift::shell {
namespace {

// Small icons are drawn on a 16 x 16 grid and scaled to the size asked for.
using IconPainter = std::function<void(QPainter&)>;

const QColor kOutline(60, 72, 88);
const QColor kNavy(11, 42, 74);
const QColor kBlue(21, 101, 168);
const QColor kSky(30, 136, 229);
const QColor kOrange(245, 130, 32);
const QColor kGreen(46, 158, 68);
const QColor kRed(211, 47, 47);

QPen Outline(const QColor& color = kOutline, qreal width = 1.0) {
  QPen pen(color, width);
  pen.setJoinStyle(Qt::RoundJoin);
  pen.setCapStyle(Qt::RoundCap);
  return pen;
}

QLinearGradient Vertical(qreal top, qreal bottom, const QColor& from, const QColor& to) {
  QLinearGradient gradient(0, top, 0, bottom);
  gradient.setColorAt(0, from);
  gradient.setColorAt(1, to);
  return gradient;
}

void Envelope(QPainter& p, const QRectF& r) {
  p.setPen(Outline());
  p.setBrush(Vertical(r.top(), r.bottom(), QColor(255, 255, 255), QColor(226, 234, 244)));
  p.drawRoundedRect(r, 0.8, 0.8);
  QPainterPath flap;
  flap.moveTo(r.left() + 0.5, r.top() + 0.5);
  flap.lineTo(r.center().x(), r.top() + r.height() * 0.58);
  flap.lineTo(r.right() - 0.5, r.top() + 0.5);
  p.setBrush(Qt::NoBrush);
  p.drawPath(flap);
}

void Page(QPainter& p, const QRectF& r, const QColor& tint = QColor(255, 255, 255)) {
  const qreal fold = r.width() * 0.35;
  QPainterPath page;
  page.moveTo(r.topLeft());
  page.lineTo(r.right() - fold, r.top());
  page.lineTo(r.right(), r.top() + fold);
  page.lineTo(r.bottomRight());
  page.lineTo(r.bottomLeft());
  page.closeSubpath();
  p.setPen(Outline());
  p.setBrush(Vertical(r.top(), r.bottom(), tint, tint.darker(108)));
  p.drawPath(page);
  QPainterPath corner;
  corner.moveTo(r.right() - fold, r.top());
  corner.lineTo(r.right() - fold, r.top() + fold);
  corner.lineTo(r.right(), r.top() + fold);
  p.setBrush(QColor(214, 222, 232));
  p.drawPath(corner);
}

void TextLines(QPainter& p, qreal left, qreal right, qreal top, int count) {
  p.setPen(Outline(QColor(150, 164, 182), 0.9));
  for (int line = 0; line < count; ++line) {
    const qreal y = top + line * 2.2;
    p.drawLine(QPointF(left, y), QPointF(line == count - 1 ? (left + right) / 2 : right, y));
  }
}

void ClosedFolder(QPainter& p, const QRectF& r) {
  QPainterPath back;
  back.moveTo(r.left(), r.top() + 1.5);
  back.lineTo(r.left() + r.width() * 0.38, r.top() + 1.5);
  back.lineTo(r.left() + r.width() * 0.48, r.top() + 3);
  back.lineTo(r.right(), r.top() + 3);
  back.lineTo(r.bottomRight());
  back.lineTo(r.bottomLeft());
  back.closeSubpath();
  p.setPen(Outline(QColor(170, 120, 20)));
  p.setBrush(Vertical(r.top(), r.bottom(), QColor(255, 214, 102), QColor(240, 170, 40)));
  p.drawPath(back);
  p.setPen(Outline(QColor(255, 236, 170), 0.8));
  p.drawLine(QPointF(r.left() + 1, r.top() + 4.4), QPointF(r.right() - 1, r.top() + 4.4));
}

void OpenFolder(QPainter& p, const QRectF& r) {
  QPainterPath back;
  back.moveTo(r.left(), r.bottom());
  back.lineTo(r.left(), r.top() + 1.5);
  back.lineTo(r.left() + r.width() * 0.36, r.top() + 1.5);
  back.lineTo(r.left() + r.width() * 0.46, r.top() + 3);
  back.lineTo(r.right() - 1.5, r.top() + 3);
  back.lineTo(r.right() - 1.5, r.top() + 5.5);
  p.setPen(Outline(QColor(170, 120, 20)));
  p.setBrush(QColor(232, 168, 48));
  p.drawPath(back);
  QPainterPath front;
  front.moveTo(r.left(), r.bottom());
  front.lineTo(r.left() + 2.5, r.top() + 5.5);
  front.lineTo(r.right() + 0.5, r.top() + 5.5);
  front.lineTo(r.right() - 2, r.bottom());
  front.closeSubpath();
  p.setBrush(Vertical(r.top() + 5.5, r.bottom(), QColor(255, 222, 120), QColor(246, 184, 56)));
  p.drawPath(front);
}

void Cylinder(QPainter& p, const QRectF& r, const QColor& light, const QColor& dark) {
  const qreal cap = r.height() * 0.26;
  QLinearGradient side(r.left(), 0, r.right(), 0);
  side.setColorAt(0, dark);
  side.setColorAt(0.35, light);
  side.setColorAt(1, dark);
  QPainterPath body;
  body.moveTo(r.left(), r.top() + cap / 2);
  body.lineTo(r.left(), r.bottom() - cap / 2);
  body.arcTo(QRectF(r.left(), r.bottom() - cap, r.width(), cap), 180, 180);
  body.lineTo(r.right(), r.top() + cap / 2);
  body.closeSubpath();
  p.setPen(Outline(dark.darker(150)));
  p.setBrush(side);
  p.drawPath(body);
  for (const qreal ring : {0.42, 0.68}) {
    const qreal y = r.top() + (r.height() - cap) * ring;
    QPainterPath band;
    band.arcMoveTo(QRectF(r.left(), y, r.width(), cap), 180);
    band.arcTo(QRectF(r.left(), y, r.width(), cap), 180, 180);
    p.setBrush(Qt::NoBrush);
    p.setPen(Outline(dark.darker(130), 0.7));
    p.drawPath(band);
  }
  p.setPen(Outline(dark.darker(150)));
  p.setBrush(light.lighter(115));
  p.drawEllipse(QRectF(r.left(), r.top(), r.width(), cap));
}

void Arrow(QPainter& p, const QPointF& from, const QPointF& to, const QColor& color, qreal width) {
  const QLineF line(from, to);
  QLineF head = line;
  head.setLength(width * 1.6);
  const QPointF tip = to;
  QLineF back(tip, from);
  back.setLength(width * 1.7);
  QLineF wing1 = back;
  wing1.setAngle(back.angle() + 40);
  QLineF wing2 = back;
  wing2.setAngle(back.angle() - 40);
  p.setPen(QPen(color.darker(125), width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawLine(QLineF(from, back.p2()));
  QPainterPath arrowHead;
  arrowHead.moveTo(tip);
  arrowHead.lineTo(wing1.p2());
  arrowHead.lineTo(wing2.p2());
  arrowHead.closeSubpath();
  p.setPen(Outline(color.darker(125), 0.6));
  p.setBrush(color);
  p.drawPath(arrowHead);
}

void Disc(QPainter& p, const QRectF& r, const QColor& color, const QString& glyph) {
  QRadialGradient shine(r.center().x() - r.width() * 0.2, r.top() + r.height() * 0.3, r.width() * 0.8);
  shine.setColorAt(0, color.lighter(150));
  shine.setColorAt(1, color);
  p.setPen(Outline(color.darker(140)));
  p.setBrush(shine);
  p.drawEllipse(r);
  QFont font(WindowFontFamily());
  font.setBold(true);
  font.setPixelSize(qRound(r.height() * 0.78));
  p.setFont(font);
  p.setPen(Qt::white);
  p.drawText(r.translated(0, 0.3), Qt::AlignCenter, glyph);
}

void DrawDatabase(QPainter& p) {
  Cylinder(p, QRectF(2.5, 1.5, 11, 13), QColor(255, 220, 110), QColor(214, 150, 20));
}

void DrawOpen(QPainter& p) { OpenFolder(p, QRectF(1, 2.5, 14, 11)); }

void DrawScan(QPainter& p) {
  Cylinder(p, QRectF(1.5, 1.5, 9, 11), QColor(255, 220, 110), QColor(214, 150, 20));
  p.setPen(QPen(QColor(70, 70, 80), 2.2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(12.2, 12.2), QPointF(14.6, 14.6));
  p.setPen(Outline(QColor(40, 60, 90), 1.2));
  p.setBrush(QColor(200, 230, 255, 200));
  p.drawEllipse(QRectF(6.5, 6.5, 7, 7));
}

void DrawExport(QPainter& p) {
  Envelope(p, QRectF(0.5, 4.5, 11, 8));
  Arrow(p, QPointF(8, 9.5), QPointF(15.5, 9.5), kOrange, 2.0);
}

void DrawHelp(QPainter& p) { Disc(p, QRectF(1, 1, 14, 14), kSky, QStringLiteral("?")); }
void DrawAbout(QPainter& p) { Disc(p, QRectF(1, 1, 14, 14), kBlue, QStringLiteral("i")); }

void DrawExit(QPainter& p) {
  p.setPen(Outline(QColor(90, 60, 40)));
  p.setBrush(Vertical(1, 15, QColor(190, 130, 80), QColor(140, 90, 50)));
  p.drawRect(QRectF(2.5, 1.5, 8, 13));
  p.setBrush(QColor(240, 210, 120));
  p.drawEllipse(QRectF(8, 7.5, 1.6, 1.6));
  Arrow(p, QPointF(9, 4.5), QPointF(15.2, 4.5), kRed, 1.8);
}

void DrawMessage(QPainter& p) { Envelope(p, QRectF(1.5, 3.5, 13, 9)); }

void DrawDrafts(QPainter& p) {
  Page(p, QRectF(2.5, 1.5, 9, 13));
  TextLines(p, 4, 9, 6, 3);
  // a pencil lying across the page
  p.save();
  p.translate(11.5, 9.5);
  p.rotate(-45);
  p.setPen(Outline(QColor(120, 80, 20), 0.8));
  p.setBrush(QColor(250, 196, 60));
  p.drawRect(QRectF(-5, -1.3, 8, 2.6));
  p.setBrush(QColor(240, 140, 150));
  p.drawRect(QRectF(3, -1.3, 1.6, 2.6));
  QPainterPath tip;
  tip.moveTo(-5, -1.3);
  tip.lineTo(-7.2, 0);
  tip.lineTo(-5, 1.3);
  tip.closeSubpath();
  p.setBrush(QColor(240, 220, 190));
  p.drawPath(tip);
  p.restore();
}

void DrawTrash(QPainter& p) {
  QPainterPath bin;
  bin.moveTo(3.5, 4.5);
  bin.lineTo(12.5, 4.5);
  bin.lineTo(11.5, 14.5);
  bin.lineTo(4.5, 14.5);
  bin.closeSubpath();
  QLinearGradient metal(3, 0, 13, 0);
  metal.setColorAt(0, QColor(150, 160, 170));
  metal.setColorAt(0.4, QColor(225, 230, 236));
  metal.setColorAt(1, QColor(140, 150, 160));
  p.setPen(Outline());
  p.setBrush(metal);
  p.drawPath(bin);
  p.setPen(Outline(QColor(110, 120, 130), 0.8));
  for (const qreal x : {6.3, 8.0, 9.7}) p.drawLine(QPointF(x, 6.5), QPointF(x, 12.8));
  p.setPen(Outline());
  p.setBrush(QColor(190, 198, 206));
  p.drawRoundedRect(QRectF(2.5, 2.5, 11, 2), 0.6, 0.6);
  p.drawRect(QRectF(6.5, 1, 3, 1.5));
}

void DrawInbox(QPainter& p) {
  QPainterPath tray;
  tray.moveTo(1.5, 9.5);
  tray.lineTo(4, 5.5);
  tray.lineTo(12, 5.5);
  tray.lineTo(14.5, 9.5);
  tray.lineTo(14.5, 14.5);
  tray.lineTo(1.5, 14.5);
  tray.closeSubpath();
  p.setPen(Outline());
  p.setBrush(Vertical(5, 15, QColor(236, 240, 246), QColor(196, 206, 220)));
  p.drawPath(tray);
  QPainterPath well;
  well.moveTo(1.5, 9.5);
  well.lineTo(5, 9.5);
  well.lineTo(6, 11.5);
  well.lineTo(10, 11.5);
  well.lineTo(11, 9.5);
  well.lineTo(14.5, 9.5);
  p.setBrush(Qt::NoBrush);
  p.drawPath(well);
  Arrow(p, QPointF(8, 0.5), QPointF(8, 9), kSky, 2.2);
}

void DrawJunkMail(QPainter& p) {
  Envelope(p, QRectF(0.5, 2.5, 12, 8.5));
  p.setPen(QPen(kRed, 1.6));
  p.setBrush(QColor(255, 255, 255, 230));
  p.drawEllipse(QRectF(8.2, 8.2, 6.8, 6.8));
  p.drawLine(QPointF(9.4, 13.8), QPointF(13.8, 9.4));
}

void DrawSent(QPainter& p) {
  QPainterPath plane;
  plane.moveTo(1, 7.5);
  plane.lineTo(15, 1.5);
  plane.lineTo(11, 14);
  plane.lineTo(7.5, 10);
  plane.closeSubpath();
  p.setPen(Outline(QColor(20, 70, 130)));
  p.setBrush(Vertical(1, 14, QColor(144, 202, 249), QColor(30, 136, 229)));
  p.drawPath(plane);
  QPainterPath fold;
  fold.moveTo(15, 1.5);
  fold.lineTo(7.5, 10);
  fold.lineTo(7, 14.5);
  fold.lineTo(9.3, 12);
  p.setBrush(QColor(21, 101, 168));
  p.drawPath(fold);
}

void DrawFolder(QPainter& p) { ClosedFolder(p, QRectF(1.5, 2.5, 13, 11)); }

void DrawFollowUp(QPainter& p) {
  p.setPen(Outline(QColor(70, 70, 80), 1.3));
  p.drawLine(QPointF(3.5, 1.5), QPointF(3.5, 15));
  QPainterPath flag;
  flag.moveTo(4, 2);
  flag.cubicTo(7, 0.5, 9, 3.5, 14, 2);
  flag.lineTo(14, 9);
  flag.cubicTo(9, 10.5, 7, 7.5, 4, 9);
  flag.closeSubpath();
  p.setPen(Outline(QColor(150, 20, 20)));
  p.setBrush(Vertical(1, 10, QColor(244, 96, 84), kRed));
  p.drawPath(flag);
}

void DrawPlainPage(QPainter& p) {
  Page(p, QRectF(3, 1.5, 10, 13));
  TextLines(p, 4.8, 11, 6, 4);
}

IconPainter PainterFor(int index) {
  switch (index) {
    case icon::kDatabase:
      return DrawDatabase;
    case icon::kOpen:
      return DrawOpen;
    case icon::kScan:
      return DrawScan;
    case icon::kExport:
      return DrawExport;
    case icon::kHelp:
      return DrawHelp;
    case icon::kAbout:
      return DrawAbout;
    case icon::kExit:
      return DrawExit;
    case icon::kMessage:
      return DrawMessage;
    case icon::kDrafts:
      return DrawDrafts;
    case icon::kTrash:
      return DrawTrash;
    case icon::kInbox:
      return DrawInbox;
    case icon::kJunkMail:
      return DrawJunkMail;
    case icon::kSent:
      return DrawSent;
    case icon::kFolder:
      return DrawFolder;
    case icon::kFollowUp:
      return DrawFollowUp;
    default:
      return DrawPlainPage;
  }
}

QPixmap RenderIcon(const IconPainter& paint, int side) {
  QPixmap pixmap(side, side);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.scale(side / 16.0, side / 16.0);
  paint(p);
  return pixmap;
}

QIcon MakeIcon(const IconPainter& paint) {
  QIcon result;
  for (const int side : {16, 24, 32, 48}) result.addPixmap(RenderIcon(paint, side));
  return result;
}

// The logo on a 64 x 64 grid: a blue tile with an envelope and an orange "shift" arrow.
void PaintLogo(QPainter& p) {
  const QRectF tile(2, 2, 60, 60);
  QLinearGradient blue(0, 2, 0, 62);
  blue.setColorAt(0, QColor(66, 165, 245));
  blue.setColorAt(1, QColor(13, 71, 161));
  p.setPen(QPen(QColor(10, 50, 110), 1.5));
  p.setBrush(blue);
  p.drawRoundedRect(tile, 13, 13);
  // gloss on the upper half
  QPainterPath gloss;
  gloss.addRoundedRect(tile.adjusted(2, 2, -2, -30), 11, 11);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, 40));
  p.drawPath(gloss);

  const QRectF envelope(11, 20, 36, 26);
  p.setPen(QPen(QColor(20, 60, 120), 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Vertical(envelope.top(), envelope.bottom(), Qt::white, QColor(215, 228, 245)));
  p.drawRoundedRect(envelope, 2.5, 2.5);
  QPainterPath flap;
  flap.moveTo(envelope.left() + 1.5, envelope.top() + 1.5);
  flap.lineTo(envelope.center().x(), envelope.top() + 15);
  flap.lineTo(envelope.right() - 1.5, envelope.top() + 1.5);
  p.setBrush(Qt::NoBrush);
  p.drawPath(flap);

  // the sweep from the envelope out to the right
  QPainterPath sweep;
  sweep.moveTo(24, 52);
  sweep.cubicTo(38, 58, 50, 50, 52, 36);
  p.setPen(QPen(kOrange, 5, Qt::SolidLine, Qt::RoundCap));
  p.drawPath(sweep);
  QPainterPath head;
  head.moveTo(52, 25);
  head.lineTo(59, 38);
  head.lineTo(45, 37);
  head.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(kOrange);
  p.drawPath(head);
}

QPixmap RenderLogo(int side) {
  QPixmap pixmap(side, side);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(side / 64.0, side / 64.0);
  PaintLogo(p);
  return pixmap;
}

QFont ArtFont(int pixelSize, bool bold) {
  QFont font(WindowFontFamily());
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  font.setStyleStrategy(QFont::PreferAntialias);
  return font;
}

// Faint envelopes drifting across a banner.
void DrawEnvelopeTrail(QPainter& p, const QRectF& area) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  const struct {
    qreal x, y, scale;
    int alpha;
  } trail[] = {{0.52, 0.18, 1.6, 22}, {0.74, 0.34, 2.2, 30}, {0.86, 0.12, 3.2, 26}, {0.88, 0.58, 1.4, 18}};
  for (const auto& e : trail) {
    p.save();
    p.translate(area.left() + area.width() * e.x, area.top() + area.height() * e.y);
    p.scale(e.scale, e.scale);
    p.rotate(-8);
    p.setPen(QPen(QColor(255, 255, 255, e.alpha * 2), 0.8));
    p.setBrush(QColor(255, 255, 255, e.alpha / 2));
    p.drawRoundedRect(QRectF(0, 0, 22, 15), 1.5, 1.5);
    p.drawLine(QPointF(0.8, 0.8), QPointF(11, 9));
    p.drawLine(QPointF(11, 9), QPointF(21.2, 0.8));
    p.restore();
  }
  QPainterPath wave;
  wave.moveTo(area.left(), area.bottom() - 38);
  wave.cubicTo(area.left() + area.width() * 0.35, area.bottom() - 80, area.left() + area.width() * 0.6,
               area.bottom() + 10, area.right(), area.bottom() - 56);
  wave.lineTo(area.bottomRight());
  wave.lineTo(area.bottomLeft());
  wave.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, 16));
  p.drawPath(wave);
  p.restore();
}

void FillBrandBackground(QPainter& p, const QRectF& area) {
  QLinearGradient background(area.topLeft(), area.bottomRight());
  background.setColorAt(0, kNavy);
  background.setColorAt(0.55, kBlue);
  background.setColorAt(1, QColor(41, 150, 214));
  p.fillRect(area, background);
  DrawEnvelopeTrail(p, area);
}

}  // namespace

const std::vector<QIcon>& SmallIcons() {
  static const std::vector<QIcon> icons = [] {
    std::vector<QIcon> list;
    list.reserve(icon::kCount);
    for (int index = 0; index < icon::kCount; ++index) list.push_back(MakeIcon(PainterFor(index)));
    return list;
  }();
  return icons;
}

QIcon SmallIcon(int index) {
  const auto& icons = SmallIcons();
  if (index < 0 || index >= static_cast<int>(icons.size())) return {};
  return icons[static_cast<std::size_t>(index)];
}

QIcon ProgramIcon() {
  QIcon result;
  for (const int side : {16, 24, 32, 48, 64, 128, 256}) result.addPixmap(RenderLogo(side));
  return result;
}

QIcon ExportWindowIcon() { return MakeIcon(DrawExport); }

QPixmap LogoPicture(int side) { return RenderLogo(side); }

QPixmap RulePicture(int width) {
  QPixmap pixmap(width, 3);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  QLinearGradient line(0, 0, width, 0);
  line.setColorAt(0, kNavy);
  line.setColorAt(0.6, kSky);
  line.setColorAt(1, QColor(30, 136, 229, 0));
  p.fillRect(QRect(0, 0, width, 2), line);
  QLinearGradient accent(0, 0, width, 0);
  accent.setColorAt(0, kOrange);
  accent.setColorAt(0.3, QColor(245, 130, 32, 0));
  p.fillRect(QRect(0, 2, width, 1), accent);
  return pixmap;
}

QPixmap SelectFilePicture(QSize size) {
  QPixmap pixmap(size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size.width() / 160.0, size.height() / 120.0);
  // the Notes database on the left, the messages it becomes on the right
  Cylinder(p, QRectF(6, 22, 50, 66), QColor(255, 220, 110), QColor(214, 150, 20));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0, 26));
  p.drawEllipse(QRectF(6, 92, 50, 10));
  Arrow(p, QPointF(62, 58), QPointF(90, 58), kOrange, 7);
  for (int layer = 2; layer >= 0; --layer) {
    const qreal offset = layer * 6.0;
    p.save();
    p.translate(98 + offset, 36 + offset);
    p.scale(3.0, 3.0);
    Envelope(p, QRectF(0.5, 0.5, 14, 10));
    p.restore();
  }
  return pixmap;
}

QPixmap PhaseArrowPicture() {
  QPixmap pixmap(10, 16);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath arrow;
  arrow.moveTo(1.5, 2.5);
  arrow.lineTo(8.8, 8);
  arrow.lineTo(1.5, 13.5);
  arrow.closeSubpath();
  p.setPen(QPen(kGreen.darker(140), 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Vertical(2, 14, kGreen.lighter(140), kGreen));
  p.drawPath(arrow);
  return pixmap;
}

QPixmap SplashPicture() {
  QPixmap pixmap(kSplashSize);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  const QRectF area(QPointF(0, 0), QSizeF(kSplashSize));
  FillBrandBackground(p, area);

  p.drawPixmap(QPointF(30, 42), RenderLogo(112));

  p.setPen(QColor(187, 222, 251));
  p.setFont(ArtFont(17, true));
  p.drawText(QPointF(166, 70), QStringLiteral("Corvane"));
  p.setPen(Qt::white);
  p.setFont(ArtFont(44, true));
  p.drawText(QPointF(162, 116), QStringLiteral("Mailshift"));
  p.setPen(QColor(255, 204, 128));
  p.setFont(ArtFont(13, false));
  p.drawText(QPointF(166, 142), QStringLiteral("Migrate Lotus Notes Emails to Outlook Express"));

  p.setPen(QPen(QColor(255, 255, 255, 70), 1));
  p.drawLine(QPointF(20, 176), QPointF(521, 176));
  p.setPen(QColor(227, 242, 253));
  p.setFont(ArtFont(11, false));
  p.drawText(QRectF(22, 181, 250, 20), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("Version 3.0  \u00B7  Build 1109"));
  p.drawText(QRectF(270, 181, 249, 20), Qt::AlignRight | Qt::AlignVCenter,
             QStringLiteral("\u00A9 Corvane Software"));
  return pixmap;
}

QPixmap AboutPicture() {
  QPixmap pixmap(kSplashSize);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.fillRect(pixmap.rect(), QColor(250, 251, 253));

  const QRectF brand(0, 0, 176, kSplashSize.height());
  p.save();
  p.setClipRect(brand);
  FillBrandBackground(p, brand);
  p.restore();
  p.drawPixmap(QPointF(32, 36), RenderLogo(112));
  p.setPen(QColor(227, 242, 253));
  p.setFont(ArtFont(11, true));
  p.drawText(QRectF(0, 160, 176, 20), Qt::AlignCenter, QStringLiteral("Corvane Software"));

  QLinearGradient accent(176, 0, 176, kSplashSize.height());
  accent.setColorAt(0, kOrange);
  accent.setColorAt(1, QColor(255, 183, 77));
  p.fillRect(QRectF(176, 0, 3, kSplashSize.height()), accent);

  const qreal left = 200;
  p.setPen(kNavy);
  p.setFont(ArtFont(26, true));
  p.drawText(QPointF(left, 50), QStringLiteral("Corvane Mailshift"));
  p.setPen(QColor(84, 96, 112));
  p.setFont(ArtFont(12, false));
  p.drawText(QPointF(left, 72), QStringLiteral("Version 3.0  Build 1109"));
  p.setPen(kBlue);
  p.drawText(QPointF(left, 98), QStringLiteral("Migrate Lotus Notes Emails to Outlook Express"));

  p.setPen(QPen(QColor(200, 208, 220), 1));
  p.drawLine(QPointF(left, 114), QPointF(521, 114));
  p.setPen(QColor(60, 72, 88));
  p.setFont(ArtFont(11, false));
  p.drawText(QPointF(left, 136), QStringLiteral("Support:  ") +
                                     QString::fromUtf8(kSupportAddress.data(), kSupportAddress.size()));
  p.drawText(QPointF(left, 154), QStringLiteral("Web:  ") + QString::fromUtf8(kWebAddress));
  p.setPen(QColor(120, 130, 145));
  p.drawText(QPointF(left, 188), QStringLiteral("\u00A9 Corvane Software. All rights reserved."));
  return pixmap;
}

}  // namespace mailshift::shell
