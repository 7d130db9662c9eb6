// The scaling container of the drop window: a frameless graphics view whose
// scene holds the content widget at its reference size, stretched to the view
// independently in x and y. Input maps back through the same transform.
#pragma once

#include <QGraphicsView>
#include <QImage>
#include <QSizeF>
#include <functional>

class QGraphicsProxyWidget;

namespace dw::gui {

class ScaledLayout : public QGraphicsView {
  Q_OBJECT

 public:
  explicit ScaledLayout(QSizeF reference, QWidget* parent = nullptr);

  // The widget that holds the controls, laid out in reference units.
  QWidget* Content() const { return content_; }
  QGraphicsProxyWidget* ContentProxy() const { return contentProxy_; }
  QSizeF Reference() const { return reference_; }

  // Embeds a widget of its own at a position in reference units, drawn at
  // the given factor from its top-left corner, above the content.
  QGraphicsProxyWidget* AddScaled(QWidget* widget, QPointF position, qreal scale);

  // Asked after an accepted drop with the operation the control answered;
  // its result is what the drag source is told.
  std::function<Qt::DropAction(Qt::DropAction answered)> onDropDone;

  // A picture stretched over the whole reference area behind the content.
  void SetBackgroundImage(const QImage& image);

  // The horizontal and vertical factors now in force.
  qreal ScaleX() const;
  qreal ScaleY() const;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void drawBackground(QPainter* painter, const QRectF& rect) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void UpdateTransform();

  QSizeF reference_;
  QImage background_;
  QWidget* content_;
  QGraphicsProxyWidget* contentProxy_;
  // The proxy does not copy the inner widget's drop action into the view's
  // drop event, so the answer of the last accepted drag move is kept here.
  Qt::DropAction lastDragAction_ = Qt::IgnoreAction;
};

}  // namespace dw::gui
