#include "theme/DialogFrame.h"

#include <QCursor>
#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

#include "theme/DarkStyle.h"

namespace dw::theme {

namespace {

enum class Glyph { Minimize, Maximize, Close };

// A window button of the title bar: its glyph in white, lighter when
// hovered, darker when pressed, at 60 % when disabled.
class FrameButton : public QAbstractButton {
 public:
  FrameButton(Glyph glyph, const QString& name, QWidget* parent)
      : QAbstractButton(parent), glyph_(glyph) {
    setAccessibleName(name);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
    resize(DialogFrame::kButtonSize);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled()) painter.setOpacity(0.6);
    if (isEnabled() && isDown()) {
      painter.fillRect(rect(), QColor(0, 0, 0, 51));
    } else if (isEnabled() && underMouse()) {
      painter.fillRect(rect(), QColor(255, 255, 255, 38));
    }
    painter.setPen(QPen(Qt::white, 1));
    const QPointF c = QRectF(rect()).center();
    switch (glyph_) {
      case Glyph::Minimize:
        painter.drawLine(QPointF(c.x() - 5, c.y() + 0.5), QPointF(c.x() + 5, c.y() + 0.5));
        break;
      case Glyph::Maximize:
        painter.drawRect(QRectF(c.x() - 4.5, c.y() - 4.5, 9, 9));
        break;
      case Glyph::Close:
        painter.drawLine(QPointF(c.x() - 4.5, c.y() - 4.5), QPointF(c.x() + 4.5, c.y() + 4.5));
        painter.drawLine(QPointF(c.x() - 4.5, c.y() + 4.5), QPointF(c.x() + 4.5, c.y() - 4.5));
        break;
    }
  }

 private:
  Glyph glyph_;
};

int Round(qreal value) {
  return static_cast<int>(std::nearbyint(value));
}

}  // namespace

DialogFrame::DialogFrame(QWidget* dialog)
    : QWidget(dialog),
      dialog_(dialog),
      minimize_(new FrameButton(Glyph::Minimize, QStringLiteral("Minimize"), this)),
      maximize_(new FrameButton(Glyph::Maximize, QStringLiteral("Maximize"), this)),
      close_(new FrameButton(Glyph::Close, QStringLiteral("Close"), this)) {
  setObjectName(QStringLiteral("DialogFrame"));
  setMouseTracking(true);
  minimize_->setEnabled(false);
  maximize_->setEnabled(false);
  connect(close_, &QAbstractButton::clicked, dialog_, &QWidget::close);
  setGeometry(dialog_->rect());
  lower();
  PlaceButtons();
  dialog_->installEventFilter(this);
}

QRect DialogFrame::ClientRect(QSize outer) {
  return QRect(kBorder, kTitleHeight, std::max(0, outer.width() - 2 * kBorder),
               std::max(0, outer.height() - kTitleHeight - kBorder));
}

void DialogFrame::PlaceButtons() {
  const int y = (kTitleHeight - kButtonSize.height()) / 2;
  int x = width() - kBorder - kButtonSize.width();
  for (QAbstractButton* button : {close_, maximize_, minimize_}) {
    button->move(x, y);
    x -= kButtonSize.width();
  }
}

bool DialogFrame::eventFilter(QObject* watched, QEvent* event) {
  if (watched == dialog_) {
    switch (event->type()) {
      case QEvent::Resize:
        setGeometry(dialog_->rect());
        PlaceButtons();
        break;
      case QEvent::ActivationChange:
      case QEvent::WindowTitleChange:
        update();
        break;
      default:
        break;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void DialogFrame::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(QRectF(rect()), WindowBackground());
  // The caption, left aligned and cut short before the window buttons; dim
  // while another window is active.
  const QRect caption(kBorder + 4, 0, std::max(0, minimize_->x() - kBorder - 8), kTitleHeight);
  painter.setPen(dialog_->isActiveWindow() ? QColor(Qt::white) : QColor(0x95, 0xA5, 0xB5));
  painter.setFont(dialog_->font());
  painter.drawText(
      caption, Qt::AlignLeft | Qt::AlignVCenter,
      fontMetrics().elidedText(dialog_->windowTitle(), Qt::ElideRight, caption.width()));
}

Qt::Edges DialogFrame::EdgesAt(QPoint point) const {
  Qt::Edges edges;
  if (point.y() < kTitleHeight) return edges;  // the title bar moves
  if (point.x() < kBorder) edges |= Qt::LeftEdge;
  if (point.x() >= width() - kBorder) edges |= Qt::RightEdge;
  if (point.y() >= height() - kBorder) edges |= Qt::BottomEdge;
  return edges;
}

void DialogFrame::mousePressEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  if (event->button() != Qt::LeftButton) return;
  edges_ = EdgesAt(point);
  if (point.y() >= kTitleHeight && !edges_) return;  // the client's own surface
  mode_ = edges_ ? Mode::Resizing : Mode::Moving;
  pressCursor_ = QCursor::pos();
  pressGeometry_ = dialog_->geometry();
  grabMouse();
}

void DialogFrame::mouseMoveEvent(QMouseEvent* event) {
  if (mode_ == Mode::Idle) {
    const Qt::Edges edges = EdgesAt(event->position().toPoint());
    if (edges == (Qt::LeftEdge | Qt::BottomEdge)) {
      setCursor(Qt::SizeBDiagCursor);
    } else if (edges == (Qt::RightEdge | Qt::BottomEdge)) {
      setCursor(Qt::SizeFDiagCursor);
    } else if (edges & (Qt::LeftEdge | Qt::RightEdge)) {
      setCursor(Qt::SizeHorCursor);
    } else if (edges & Qt::BottomEdge) {
      setCursor(Qt::SizeVerCursor);
    } else {
      unsetCursor();
    }
    return;
  }
  const QPointF delta = QPointF(QCursor::pos()) - pressCursor_;
  const int dx = Round(delta.x()), dy = Round(delta.y());
  QRect bounds = pressGeometry_;
  if (mode_ == Mode::Moving) {
    bounds.translate(dx, dy);
  } else {
    if (edges_ & Qt::LeftEdge) bounds.setLeft(std::min(bounds.left() + dx, bounds.right()));
    if (edges_ & Qt::RightEdge) bounds.setRight(std::max(bounds.right() + dx, bounds.left()));
    if (edges_ & Qt::BottomEdge) bounds.setBottom(std::max(bounds.bottom() + dy, bounds.top()));
  }
  if (bounds != dialog_->geometry()) dialog_->setGeometry(bounds);
}

void DialogFrame::mouseReleaseEvent(QMouseEvent*) {
  if (mode_ == Mode::Idle) return;
  mode_ = Mode::Idle;
  releaseMouse();
}

}  // namespace dw::theme
