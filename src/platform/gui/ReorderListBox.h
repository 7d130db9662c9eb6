// A list of text items that the user puts in order by dragging. A press on
// an item that is not current only makes it current; a press on the current
// item picks it up at once, and a picture of it follows the pointer. The item
// under the pointer is highlighted, and a release on it moves the picked item
// to its index. A release anywhere else, or on the picked item, changes
// nothing.
#pragma once

#include <QListWidget>
#include <QPoint>

class QLabel;

namespace dw::gui {

class ReorderListBox : public QListWidget {
  Q_OBJECT

 public:
  explicit ReorderListBox(QWidget* parent = nullptr);
  ~ReorderListBox() override;

  // The row picked up, or -1 when no drag is under way.
  int DraggedRow() const { return dragged_; }
  // The row a release would move the picked item to (highlighted), or -1.
  int TargetRow() const { return target_; }
  // The picture that follows the pointer during a drag; null otherwise.
  QWidget* DragPicture() const;

  // Takes the item at from out and inserts it again at to; it becomes the
  // current item and the only selected one.
  void MoveItem(int from, int to);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  // True when the press started a drag (and so belongs to it).
  bool StartDrag(QMouseEvent* event);
  void FollowPointer(QPoint viewportPos, QPointF globalPos);
  void EndDrag();

  int dragged_ = -1;
  int target_ = -1;
  QPoint hotSpot_;
  QLabel* picture_ = nullptr;
};

}  // namespace dw::gui
