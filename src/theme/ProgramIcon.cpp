#include "theme/ProgramIcon.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace dw::theme {

namespace {

// Colours of the drawing.
constexpr QRgb kFront = 0xFFFFC20B;
constexpr QRgb kBack = 0xFFF5B700;
constexpr QRgb kArrow = 0xFF3F3F3F;

// Draws on demand at whatever size the window system asks for.
class ProgramIconEngine : public QIconEngine {
 public:
  void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override {
    PaintProgramIcon(*painter, rect);
  }
  QPixmap pixmap(const QSize& size, QIcon::Mode, QIcon::State) override {
    return QPixmap::fromImage(ProgramIconImage(qMin(size.width(), size.height())));
  }
  // The sizes a window hands to the window system; larger pictures come from
  // the installed icon files. Fewer sizes are fewer drawings at start-up.
  QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
    return {QSize(16, 16), QSize(24, 24), QSize(32, 32), QSize(48, 48), QSize(64, 64)};
  }
  QIconEngine* clone() const override { return new ProgramIconEngine; }
  QString key() const override { return QStringLiteral("dropwell-program-icon"); }
};

}  // namespace

void PaintProgramIcon(QPainter& painter, const QRectF& box) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.translate(box.topLeft());
  // The drawing is made on a 256 grid.
  painter.scale(box.width() / 256.0, box.height() / 256.0);
  painter.setPen(Qt::NoPen);

  // Back with its tab on the upper left.
  QPainterPath back;
  back.addRoundedRect(QRectF(12, 52, 232, 172), 14, 14);
  QPainterPath tab;
  tab.moveTo(12, 60);
  tab.quadTo(12, 36, 36, 36);
  tab.lineTo(92, 36);
  tab.quadTo(104, 36, 112, 46);
  tab.lineTo(124, 60);
  tab.closeSubpath();
  painter.setBrush(QColor::fromRgba(kBack));
  painter.drawPath(back);
  painter.drawPath(tab);

  // Front, the lower part of the folder.
  painter.setBrush(QColor::fromRgba(kFront));
  painter.drawRoundedRect(QRectF(12, 84, 232, 140), 14, 14);

  // The downward arrow on the left half of the front.
  QPainterPath arrow;
  arrow.moveTo(56, 100);
  arrow.lineTo(88, 100);
  arrow.lineTo(88, 150);
  arrow.lineTo(110, 150);
  arrow.lineTo(72, 200);
  arrow.lineTo(34, 150);
  arrow.lineTo(56, 150);
  arrow.closeSubpath();
  painter.setBrush(QColor::fromRgba(kArrow));
  painter.drawPath(arrow);
  painter.restore();
}

QImage ProgramIconImage(int pixels) {
  QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  PaintProgramIcon(painter, QRectF(0, 0, pixels, pixels));
  painter.end();
  return image;
}

QIcon ProgramIcon() {
  return QIcon(new ProgramIconEngine);
}

}  // namespace dw::theme
