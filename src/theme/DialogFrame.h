// The theme's frame for a dialog that draws its own: a title bar with the
// caption and the window buttons, and borders that resize the dialog. It is
// a child laid under the dialog's controls over its whole area, so it also
// paints the window background.
#pragma once

#include <QAbstractButton>
#include <QPointF>
#include <QRect>
#include <QWidget>

namespace dw::theme {

class DialogFrame : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kTitleHeight = 29;
  static constexpr int kBorder = 6;
  static constexpr QSize kButtonSize{28, 18};

  // Frames the dialog; only closing is offered, so minimise and maximise are
  // shown disabled.
  explicit DialogFrame(QWidget* dialog);

  // The dialog's client area inside the frame.
  static QRect ClientRect(QSize outer);

  QAbstractButton* MinimizeButton() const { return minimize_; }
  QAbstractButton* MaximizeButton() const { return maximize_; }
  QAbstractButton* CloseButton() const { return close_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  // Which edges a press at the point resizes (none: the title bar moves).
  Qt::Edges EdgesAt(QPoint point) const;
  void PlaceButtons();

  QWidget* dialog_;
  QAbstractButton* minimize_;
  QAbstractButton* maximize_;
  QAbstractButton* close_;
  enum class Mode { Idle, Moving, Resizing } mode_ = Mode::Idle;
  Qt::Edges edges_;
  QPointF pressCursor_;
  QRect pressGeometry_;
};

}  // namespace dw::theme
