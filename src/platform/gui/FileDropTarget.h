// A control that takes files dragged from the desktop: it asks its owner for
// the operation to offer and hands over the dropped files' full paths in the
// drag's order. It takes part only while visible and enabled.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QMimeData;
class QPainter;

namespace dw::gui {

// How a drop target is drawn; the theme provides one.
class DropTargetLook {
 public:
  virtual ~DropTargetLook() = default;
  // Told of every change of the drag-over state, before anything else
  // happens (on a drop, before the drop handler runs).
  virtual void DragOverChanged(bool over) = 0;
  // Paints the whole look at the control's size.
  virtual void Paint(QPainter& painter, QSizeF size) = 0;
};

class FileDropTarget : public QWidget {
  Q_OBJECT

 public:
  explicit FileDropTarget(QWidget* parent = nullptr);

  // Asked on every enter and move; the answer is reported to the drag source.
  std::function<Qt::DropAction()> onDragOver;
  // Runs inside the drop, so the drag source waits until it returns.
  std::function<void(const std::vector<std::u16string>& paths)> onDropped;

  // Replaces the built-in plain look.
  void SetLook(std::unique_ptr<DropTargetLook> look);
  DropTargetLook* Look() const { return look_.get(); }

  // True while a drag that was offered an operation is over the control.
  bool IsDraggedOver() const { return draggedOver_; }

  // The local file paths a drag carries, in its order; empty without files.
  static std::vector<std::u16string> DroppedPaths(const QMimeData* data);

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dragLeaveEvent(QDragLeaveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  bool Answer(QDropEvent* event);
  void SetDraggedOver(bool over);

  bool draggedOver_ = false;
  std::unique_ptr<DropTargetLook> look_;
};

}  // namespace dw::gui
