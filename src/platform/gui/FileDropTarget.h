// A control that takes files dragged from the desktop: it asks its owner for
// the operation to offer and hands over the dropped files' full paths in the
// drag's order. It takes part only while visible and enabled.
#pragma once

#include <QWidget>

class QMimeData;
#include <functional>
#include <string>
#include <vector>

namespace dw::gui {

class FileDropTarget : public QWidget {
  Q_OBJECT

 public:
  explicit FileDropTarget(QWidget* parent = nullptr);

  // Asked on every enter and move; the answer is reported to the drag source.
  std::function<Qt::DropAction()> onDragOver;
  // Runs inside the drop, so the drag source waits until it returns.
  std::function<void(const std::vector<std::u16string>& paths)> onDropped;

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
};

}  // namespace dw::gui
