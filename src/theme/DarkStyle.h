// The dark look of both windows: a proxy over the Fusion style that draws the
// controls the program uses (tool bar buttons, push buttons, the combo box,
// edits, radio buttons, the list and its scroll bar) from the theme's colours
// and shapes, plus the palette that goes with it and the window background.
#pragma once

#include <QImage>
#include <QPalette>
#include <QProxyStyle>

namespace dw::theme {

class DarkStyle : public QProxyStyle {
  Q_OBJECT

 public:
  // Takes ownership of the base style (Fusion where it exists).
  explicit DarkStyle(QStyle* base);

  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget) const override;
  void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                          QPainter* painter, const QWidget* widget) const override;
  int pixelMetric(PixelMetric metric, const QStyleOption* option,
                  const QWidget* widget) const override;
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returnData) const override;
  void polish(QWidget* widget) override;
  using QProxyStyle::polish;
  QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                       const QWidget* widget) const override;
};

// The palette of the theme: white text, the selection colour of edits.
QPalette DarkPalette();

// The window background: the blend between the anchor colours, drawn small;
// stretched smoothly over any client area it is the same blend.
const QImage& WindowBackground();

}  // namespace dw::theme
