#include "platform/gui/ScaledLayout.h"

#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QGraphicsProxyWidget>
#include <QGraphicsScene>
#include <QPainter>
#include <QResizeEvent>

namespace dw::gui {

namespace {

// The proxy hands a drag on to the controls only when the embedded widget
// takes the drag's entry; the content itself takes no drag or drop, so over
// any spot but a drop target the drag shows no-drop.
class ContentWidget : public QWidget {
 public:
  ContentWidget() { setAcceptDrops(true); }

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override { event->accept(); }
  void dragMoveEvent(QDragMoveEvent* event) override { event->ignore(); }
  void dropEvent(QDropEvent* event) override { event->ignore(); }
};

}  // namespace

ScaledLayout::ScaledLayout(QSizeF reference, QWidget* parent)
    : QGraphicsView(parent), reference_(reference), content_(new ContentWidget) {
  setFrameShape(QFrame::NoFrame);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setTransformationAnchor(QGraphicsView::NoAnchor);
  setResizeAnchor(QGraphicsView::NoAnchor);
  setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                 QPainter::SmoothPixmapTransform);
  setViewportUpdateMode(QGraphicsView::FullViewportUpdate);
  // A drop box is usually not the active window; its hints must show anyway.
  setAttribute(Qt::WA_AlwaysShowToolTips);
  setAcceptDrops(true);

  auto* scene = new QGraphicsScene(this);
  scene->setSceneRect(QRectF(QPointF(0, 0), reference_));
  setScene(scene);

  content_->setAttribute(Qt::WA_TranslucentBackground);
  // Embedded widgets are top-level widgets to Qt; they must not keep the
  // program running once the real window is closed.
  content_->setAttribute(Qt::WA_QuitOnClose, false);
  content_->setGeometry(0, 0, qRound(reference_.width()), qRound(reference_.height()));
  contentProxy_ = scene->addWidget(content_);
  contentProxy_->setPos(0, 0);
  contentProxy_->setAcceptDrops(true);
  UpdateTransform();
}

QGraphicsProxyWidget* ScaledLayout::AddScaled(QWidget* widget, QPointF position, qreal scale) {
  widget->setAttribute(Qt::WA_QuitOnClose, false);
  QGraphicsProxyWidget* proxy = scene()->addWidget(widget);
  proxy->setPos(position);
  proxy->setScale(scale);
  proxy->setZValue(1);
  return proxy;
}

qreal ScaledLayout::ScaleX() const {
  return width() / reference_.width();
}
qreal ScaledLayout::ScaleY() const {
  return height() / reference_.height();
}

void ScaledLayout::UpdateTransform() {
  setTransform(QTransform::fromScale(ScaleX(), ScaleY()));
}

void ScaledLayout::SetBackgroundImage(const QImage& image) {
  background_ = image;
  viewport()->update();
}

void ScaledLayout::drawBackground(QPainter* painter, const QRectF& rect) {
  if (background_.isNull()) {
    QGraphicsView::drawBackground(painter, rect);
    return;
  }
  // Drawn as one image, not as a brush: a brush repeats, and its smoothing
  // would blend each edge with the opposite one.
  painter->save();
  painter->setRenderHint(QPainter::SmoothPixmapTransform);
  painter->drawImage(QRectF(QPointF(0, 0), reference_), background_);
  painter->restore();
}

void ScaledLayout::resizeEvent(QResizeEvent* event) {
  QGraphicsView::resizeEvent(event);
  UpdateTransform();
}

void ScaledLayout::dragEnterEvent(QDragEnterEvent* event) {
  lastDragAction_ = Qt::IgnoreAction;
  QGraphicsView::dragEnterEvent(event);
  if (event->isAccepted()) lastDragAction_ = event->dropAction();
}

void ScaledLayout::dragMoveEvent(QDragMoveEvent* event) {
  QGraphicsView::dragMoveEvent(event);
  lastDragAction_ = event->isAccepted() ? event->dropAction() : Qt::IgnoreAction;
}

void ScaledLayout::dropEvent(QDropEvent* event) {
  const Qt::DropAction action = lastDragAction_;
  lastDragAction_ = Qt::IgnoreAction;
  if (action == Qt::IgnoreAction) {
    // The last move was refused (no-drop): a release there does nothing,
    // also where the scene would take the drop by default.
    QDragLeaveEvent leave;
    QGraphicsView::dragLeaveEvent(&leave);
    event->ignore();
    return;
  }
  QGraphicsView::dropEvent(event);
  if (event->isAccepted()) event->setDropAction(onDropDone ? onDropDone(action) : action);
}

}  // namespace dw::gui
