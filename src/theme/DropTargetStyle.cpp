#include "theme/DropTargetStyle.h"

#include <QPainter>
#include <QPen>
#include <QWidget>
#include <cmath>
#include <vector>

namespace dw::theme {

namespace {

constexpr qreal kIconSide = 30;  // a 50-unit box drawn at 0.6
constexpr int kCycleMs = 600;

struct Corner {
  QPointF at;
  qreal cut;  // how far along both edges the rounding starts; 0: sharp
};

// A closed outline through the corners, each rounded by a curve that starts
// and ends the corner's cut away from it along its two edges.
void AddRounded(QPainterPath& path, const std::vector<Corner>& corners) {
  const auto n = corners.size();
  auto along = [](QPointF from, QPointF to, qreal distance) {
    const QPointF d = to - from;
    const qreal length = std::hypot(d.x(), d.y());
    return length == 0 ? from : from + d * (distance / length);
  };
  for (std::size_t i = 0; i < n; ++i) {
    const Corner& c = corners[i];
    const QPointF previous = corners[(i + n - 1) % n].at;
    const QPointF next = corners[(i + 1) % n].at;
    const QPointF in = along(c.at, previous, c.cut);
    const QPointF out = along(c.at, next, c.cut);
    if (i == 0) {
      path.moveTo(in);
    } else {
      path.lineTo(in);
    }
    if (c.cut > 0) path.quadTo(c.at, out);
  }
  path.closeSubpath();
}

QPainterPath MakeIconShape() {
  QPainterPath shape;
  shape.setFillRule(Qt::WindingFill);
  // The arrow: a shaft with rounded top corners on an arrowhead whose sides
  // fall at 45 degrees to a rounded tip.
  AddRounded(shape, {{{192, 0}, 24},
                     {{320, 0}, 24},
                     {{320, 192}, 0},
                     {{456, 192}, 24},
                     {{256, 392}, 24},
                     {{56, 192}, 24},
                     {{192, 192}, 0}});
  // The tray, notched under the tip 32 units away from the arrowhead.
  AddRounded(shape, {{{0, 352}, 24},
                     {{170.7, 352}, 0},
                     {{256, 437.3}, 51.3},
                     {{341.3, 352}, 0},
                     {{512, 352}, 24},
                     {{512, 512}, 24},
                     {{0, 512}, 24}});
  // Two holes, wound against the tray so that they stay open under either
  // fill rule.
  for (const qreal x : {368.0, 432.0}) {
    shape.moveTo(x + 20, 464);
    shape.arcTo(QRectF(x - 20, 444, 40, 40), 0, 360);
    shape.closeSubpath();
  }
  return shape;
}

}  // namespace

DropTarget1Style1::DropTarget1Style1(QWidget* target) : target_(target) {
  bounce_.setDuration(kCycleMs);
  bounce_.setLoopCount(-1);
  bounce_.setStartValue(0.0);
  bounce_.setKeyValueAt(0.5, -20.0);
  bounce_.setEndValue(0.0);
  bounce_.setEasingCurve(QEasingCurve::Linear);
  connect(&bounce_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
    paddingTop_ = value.toReal();
    if (target_ != nullptr) target_->update();
  });
}

void DropTarget1Style1::DragOverChanged(bool over) {
  // Every change stops the bounce with the icon at rest, and a drag that is
  // over the target starts it afresh from its first key.
  bounce_.stop();
  paddingTop_ = 0;
  if (over) bounce_.start();
  if (target_ != nullptr) target_->update();
}

QRectF DropTarget1Style1::IconBox(QSizeF size) const {
  const qreal left = std::floor((size.width() - kIconSide) / 2);
  const qreal top = paddingTop_ + std::floor((size.height() - paddingTop_ - kIconSide) / 2);
  return QRectF(left, top, kIconSide, kIconSide);
}

const QPainterPath& DropTarget1Style1::IconShape() {
  static const QPainterPath shape = MakeIconShape();
  return shape;
}

void DropTarget1Style1::Paint(QPainter& painter, QSizeF size) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  // The frame: a 2-unit stroke inside the bounds, dashed 6 on and 2 off
  // (the pattern is in stroke widths); flat caps keep the gaps open.
  QPen pen(Qt::white, 2);
  pen.setDashPattern({3, 1});
  pen.setCapStyle(Qt::FlatCap);
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  painter.drawRoundedRect(QRectF(QPointF(0, 0), size).adjusted(1, 1, -1, -1), 9, 9);

  // The caption area stays empty: the drop target has no text.

  const QRectF box = IconBox(size);
  painter.translate(box.topLeft());
  painter.scale(box.width() / 512.0, box.height() / 512.0);
  painter.setPen(Qt::NoPen);
  painter.setBrush(Qt::white);
  painter.drawPath(IconShape());
  painter.restore();
}

}  // namespace dw::theme
