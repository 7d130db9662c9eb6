#include "platform/gui/ReorderListBox.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

namespace dw::gui {

ReorderListBox::ReorderListBox(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  // The drag is ours: the view's own drag and drop would move on the first
  // press and drop between items.
  setDragEnabled(false);
  setDragDropMode(QAbstractItemView::NoDragDrop);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
}

ReorderListBox::~ReorderListBox() {
  delete picture_;
}

QWidget* ReorderListBox::DragPicture() const {
  return picture_;
}

void ReorderListBox::MoveItem(int from, int to) {
  if (from < 0 || from >= count() || to < 0 || to >= count()) return;
  QListWidgetItem* moved = takeItem(from);
  insertItem(to, moved);
  setCurrentItem(moved, QItemSelectionModel::ClearAndSelect);
}

bool ReorderListBox::StartDrag(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || dragged_ >= 0) return false;
  const QPoint pos = event->position().toPoint();
  QListWidgetItem* hit = itemAt(pos);
  if (hit == nullptr || hit != currentItem()) return false;

  dragged_ = row(hit);
  target_ = -1;
  const QRect bounds = visualItemRect(hit);
  hotSpot_ = pos - bounds.topLeft();
  // A window of its own, so the picture can follow the pointer beyond the
  // list; it never takes input or focus.
  picture_ = new QLabel(nullptr, Qt::ToolTip | Qt::FramelessWindowHint |
                                     Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus);
  picture_->setAttribute(Qt::WA_ShowWithoutActivating);
  picture_->setAttribute(Qt::WA_TransparentForMouseEvents);
  picture_->setPixmap(viewport()->grab(bounds));
  picture_->resize(bounds.size());
  FollowPointer(pos, event->globalPosition());
  picture_->show();
  return true;
}

void ReorderListBox::FollowPointer(QPoint viewportPos, QPointF globalPos) {
  if (picture_ != nullptr) picture_->move(globalPos.toPoint() - hotSpot_);
  int target = -1;
  if (viewport()->rect().contains(viewportPos)) {
    if (QListWidgetItem* hit = itemAt(viewportPos)) target = row(hit);
  }
  if (target == dragged_) target = -1;
  viewport()->setCursor(target >= 0 ? Qt::DragMoveCursor : Qt::ForbiddenCursor);
  if (target != target_) {
    target_ = target;
    viewport()->update();
  }
}

void ReorderListBox::EndDrag() {
  dragged_ = -1;
  target_ = -1;
  delete picture_;
  picture_ = nullptr;
  viewport()->unsetCursor();
  viewport()->update();
}

void ReorderListBox::mousePressEvent(QMouseEvent* event) {
  if (dragged_ >= 0 || StartDrag(event)) {
    event->accept();
    return;
  }
  QListWidget::mousePressEvent(event);
}

void ReorderListBox::mouseDoubleClickEvent(QMouseEvent* event) {
  // The second press of a double click is a press like any other.
  mousePressEvent(event);
}

void ReorderListBox::mouseMoveEvent(QMouseEvent* event) {
  if (dragged_ < 0) {
    QListWidget::mouseMoveEvent(event);
    return;
  }
  FollowPointer(event->position().toPoint(), event->globalPosition());
  event->accept();
}

void ReorderListBox::mouseReleaseEvent(QMouseEvent* event) {
  if (dragged_ < 0) {
    QListWidget::mouseReleaseEvent(event);
    return;
  }
  event->accept();
  if (event->button() != Qt::LeftButton) return;
  FollowPointer(event->position().toPoint(), event->globalPosition());
  const int from = dragged_;
  const int to = target_;
  EndDrag();
  if (to >= 0) MoveItem(from, to);
}

void ReorderListBox::keyPressEvent(QKeyEvent* event) {
  if (dragged_ >= 0) {
    // Esc drops the picked item where it was; other keys wait for the drag.
    if (event->key() == Qt::Key_Escape) EndDrag();
    event->accept();
    return;
  }
  QListWidget::keyPressEvent(event);
}

void ReorderListBox::focusInEvent(QFocusEvent* event) {
  // The view makes the first item current when it gets the focus without
  // one; that would give the delete button an item nobody chose.
  const bool hadCurrent = currentIndex().isValid();
  QListWidget::focusInEvent(event);
  if (!hadCurrent && currentIndex().isValid()) selectionModel()->clearCurrentIndex();
}

void ReorderListBox::hideEvent(QHideEvent* event) {
  if (dragged_ >= 0) EndDrag();
  QListWidget::hideEvent(event);
}

void ReorderListBox::paintEvent(QPaintEvent* event) {
  QListWidget::paintEvent(event);
  if (target_ < 0 || target_ >= count()) return;
  QPainter painter(viewport());
  const QRect bounds = visualItemRect(item(target_));
  QColor fill = palette().color(QPalette::Highlight);
  fill.setAlpha(96);
  painter.fillRect(bounds, fill);
  painter.setPen(palette().color(QPalette::Highlight));
  painter.drawRect(bounds.adjusted(0, 0, -1, -1));
}

}  // namespace dw::gui
