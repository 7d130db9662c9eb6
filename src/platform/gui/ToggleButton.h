// A flat tool bar toggle that flips its pressed state on the press of the
// left button, not on the release as Qt's checkable buttons do; the click
// still completes on the release over the button and then reads the state
// already flipped.
#pragma once

#include <QToolButton>

namespace dw::gui {

class ToggleButton : public QToolButton {
  Q_OBJECT

 public:
  explicit ToggleButton(QWidget* parent = nullptr);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void nextCheckState() override;

 private:
  // Set by a press that flipped the state, so that the click completing it
  // does not flip it back.
  bool flippedAtPress_ = false;
};

}  // namespace dw::gui
