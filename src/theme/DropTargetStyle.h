// The drop target's own look: a dashed white rounded frame and a white
// download icon that bobs up and down while files are dragged over it.
#pragma once

#include <QObject>
#include <QPainterPath>
#include <QVariantAnimation>

#include "platform/gui/FileDropTarget.h"

namespace dw::theme {

class DropTarget1Style1 : public QObject, public dw::gui::DropTargetLook {
  Q_OBJECT

 public:
  // Repaints the target whenever the bounce moves the icon.
  explicit DropTarget1Style1(QWidget* target);

  void DragOverChanged(bool over) override;
  void Paint(QPainter& painter, QSizeF size) override;

  // The animated top padding of the content area: 0 at rest, down to -20 at
  // the top of the bounce.
  qreal PaddingTop() const { return paddingTop_; }
  bool Bouncing() const { return bounce_.state() == QAbstractAnimation::Running; }
  QVariantAnimation& Bounce() { return bounce_; }

  // Where the 30 x 30 icon lies inside a target of the size given.
  QRectF IconBox(QSizeF size) const;
  // The icon's outline on its 512 x 512 grid (the holes included).
  static const QPainterPath& IconShape();

 private:
  QWidget* target_;
  QVariantAnimation bounce_;
  qreal paddingTop_ = 0;
};

}  // namespace dw::theme
