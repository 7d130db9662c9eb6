#include "platform/gui/ToggleButton.h"

#include <QMouseEvent>

namespace dw::gui {

ToggleButton::ToggleButton(QWidget* parent) : QToolButton(parent) {
  setCheckable(true);
}

void ToggleButton::mousePressEvent(QMouseEvent* event) {
  // The second press of a double click arrives here too and flips again.
  if (event->button() == Qt::LeftButton && hitButton(event->position().toPoint())) {
    flippedAtPress_ = true;
    setChecked(!isChecked());
  }
  QToolButton::mousePressEvent(event);
}

void ToggleButton::mouseReleaseEvent(QMouseEvent* event) {
  QToolButton::mouseReleaseEvent(event);
  // Released elsewhere, no click follows; the flip of the press stays.
  if (event->button() == Qt::LeftButton) flippedAtPress_ = false;
}

void ToggleButton::nextCheckState() {
  // A click without a press of ours (keyboard, accessibility, click()) flips here.
  if (flippedAtPress_) {
    flippedAtPress_ = false;
    return;
  }
  QToolButton::nextCheckState();
}

}  // namespace dw::gui
