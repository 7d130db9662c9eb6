#include "platform/gui/FileDropTarget.h"

#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QUrl>

#include "platform/Utf.h"

namespace dw::gui {

FileDropTarget::FileDropTarget(QWidget* parent) : QWidget(parent) {
  setAcceptDrops(true);
  setFocusPolicy(Qt::TabFocus);
}

std::vector<std::u16string> FileDropTarget::DroppedPaths(const QMimeData* data) {
  std::vector<std::u16string> paths;
  if (data == nullptr || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile()) continue;
#ifndef Q_OS_WIN
    // The name's bytes as the drag source sent them: in a QString a byte
    // that is not UTF-8 would become U+FFFD and name another file, or none.
    if (url.host().isEmpty()) {
      const QByteArray bytes =
          QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
      paths.push_back(PathFromBytes(
          std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()))));
      continue;
    }
#endif
    paths.push_back(url.toLocalFile().toStdU16String());
  }
  return paths;
}

// Sets the owner's operation on the event; false when the control takes no
// part (disabled or hidden), which leaves the event ignored: no-drop.
bool FileDropTarget::Answer(QDropEvent* event) {
  if (!isEnabled() || !isVisible() || !onDragOver) {
    event->ignore();
    return false;
  }
  const Qt::DropAction action = onDragOver();
  if (action == Qt::IgnoreAction) {
    event->ignore();
    return false;
  }
  event->setDropAction(action);
  event->accept();
  return true;
}

void FileDropTarget::dragEnterEvent(QDragEnterEvent* event) {
  SetDraggedOver(Answer(event));
}

void FileDropTarget::dragMoveEvent(QDragMoveEvent* event) {
  SetDraggedOver(Answer(event));
}

void FileDropTarget::dragLeaveEvent(QDragLeaveEvent* event) {
  SetDraggedOver(false);
  event->accept();
}

void FileDropTarget::dropEvent(QDropEvent* event) {
  SetDraggedOver(false);
  if (!Answer(event)) return;
  if (onDropped) onDropped(DroppedPaths(event->mimeData()));
}

void FileDropTarget::changeEvent(QEvent* event) {
  if (event->type() == QEvent::EnabledChange) {
    if (!isEnabled()) SetDraggedOver(false);
    update();
  }
  QWidget::changeEvent(event);
}

void FileDropTarget::SetLook(std::unique_ptr<DropTargetLook> look) {
  look_ = std::move(look);
  update();
}

void FileDropTarget::SetDraggedOver(bool over) {
  if (draggedOver_ == over) return;
  draggedOver_ = over;
  if (look_) look_->DragOverChanged(over);
  update();
}

void FileDropTarget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  if (look_) {
    // A disabled drop target is drawn at 60 % opacity.
    if (!isEnabled()) painter.setOpacity(0.6);
    look_->Paint(painter, QSizeF(size()));
    return;
  }
  QColor color = palette().color(QPalette::WindowText);
  if (!isEnabled()) color.setAlphaF(0.35);
  QPen pen(color, draggedOver_ ? 2.0 : 1.5, Qt::DashLine);
  // Round caps would fill the gaps of the dashes.
  pen.setCapStyle(Qt::FlatCap);
  painter.setPen(pen);
  const QRectF frame = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
  painter.drawRoundedRect(frame, 6, 6);

  // A plain downward arrow into a tray.
  const QPointF c = frame.center();
  const qreal s = std::min(frame.width(), frame.height()) / 4.0;
  QPen solid(color, 2.0);
  solid.setCapStyle(Qt::FlatCap);
  solid.setJoinStyle(Qt::MiterJoin);
  painter.setPen(solid);
  painter.drawLine(QPointF(c.x(), c.y() - s), QPointF(c.x(), c.y() + s * 0.5));
  QPainterPath head;
  head.moveTo(c.x() - s * 0.55, c.y() - s * 0.05);
  head.lineTo(c.x(), c.y() + s * 0.5);
  head.lineTo(c.x() + s * 0.55, c.y() - s * 0.05);
  painter.drawPath(head);
  painter.drawLine(QPointF(c.x() - s, c.y() + s), QPointF(c.x() + s, c.y() + s));
}

}  // namespace dw::gui
