#include "theme/DarkStyle.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QPainter>
#include <QPainterPath>
#include <QStyleFactory>
#include <QStyleOption>
#include <algorithm>
#include <cmath>

namespace dw::theme {

namespace {

QColor Rgba(QRgb rgb, qreal opacity = 1.0) {
  QColor color = QColor::fromRgb(rgb);
  color.setAlphaF(opacity);
  return color;
}

constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kMint = 0xFF80CEB5;  // the accent
constexpr QRgb kNavy = 0xFF14253F;  // text on mint
constexpr qreal kDisabledOpacity = 0.6;

bool Enabled(const QStyleOption* option) {
  return option->state.testFlag(QStyle::State_Enabled);
}
bool Hovered(const QStyleOption* option) {
  return option->state.testFlag(QStyle::State_MouseOver) && Enabled(option);
}
bool Focused(const QStyleOption* option) {
  return option->state.testFlag(QStyle::State_HasFocus) && Enabled(option);
}

// Draws with the painter at 60 % opacity where the control is disabled.
class Dimmed {
 public:
  Dimmed(QPainter* painter, const QStyleOption* option) : painter_(painter) {
    painter_->save();
    if (!Enabled(option)) painter_->setOpacity(painter_->opacity() * kDisabledOpacity);
  }
  ~Dimmed() { painter_->restore(); }
  Dimmed(const Dimmed&) = delete;
  Dimmed& operator=(const Dimmed&) = delete;

 private:
  QPainter* painter_;
};

void FillRounded(QPainter* painter, const QRectF& rect, const QColor& color, qreal radius = 3) {
  painter->setRenderHint(QPainter::Antialiasing);
  painter->setPen(Qt::NoPen);
  painter->setBrush(color);
  painter->drawRoundedRect(rect, radius, radius);
}

void Underline(QPainter* painter, const QRect& rect, const QColor& color) {
  painter->fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), color);
}

QColor LineColour(const QStyleOption* option) {
  return Hovered(option) || Focused(option) ? Rgba(kMint) : Rgba(kWhite, 0.5);
}

// A down chevron of 12 x 8 centred in the box.
void Chevron(QPainter* painter, const QRectF& box, const QColor& color) {
  const QPointF c = box.center();
  QPainterPath path;
  path.moveTo(c.x() - 6, c.y() - 4);
  path.lineTo(c.x(), c.y() + 2);
  path.lineTo(c.x() + 6, c.y() - 4);
  painter->setRenderHint(QPainter::Antialiasing);
  painter->setPen(QPen(color, 1.5, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
  painter->setBrush(Qt::NoBrush);
  painter->drawPath(path);
}

QColor Blend(QColor a, QColor b, qreal t) {
  return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * t,
                          a.greenF() + (b.greenF() - a.greenF()) * t,
                          a.blueF() + (b.blueF() - a.blueF()) * t);
}

}  // namespace

DarkStyle::DarkStyle(QStyle* base) : QProxyStyle(base) {}

QPalette DarkPalette() {
  QPalette p;
  const QColor white = Rgba(kWhite);
  const QColor window = QColor::fromRgb(0x26, 0x44, 0x62);  // the background's mean colour
  for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText,
                          QPalette::BrightText, QPalette::HighlightedText}) {
    p.setColor(role, white);
    p.setColor(QPalette::Disabled, role, Rgba(kWhite, kDisabledOpacity));
  }
  p.setColor(QPalette::Window, window);
  p.setColor(QPalette::Button, window);
  p.setColor(QPalette::Base, Rgba(0xFF142341, 0.2));
  p.setColor(QPalette::AlternateBase, Rgba(0xFF142341, 0.2));
  p.setColor(QPalette::Highlight, Rgba(0xFF80CEA1, 0.5));
  p.setColor(QPalette::ToolTipBase, QColor::fromRgb(0x19, 0x2D, 0x4C));
  p.setColor(QPalette::ToolTipText, white);
  p.setColor(QPalette::PlaceholderText, Rgba(kWhite, 0.5));
  p.setColor(QPalette::Light, QColor::fromRgb(0x3F, 0x6E, 0x8B));
  p.setColor(QPalette::Midlight, QColor::fromRgb(0x33, 0x5A, 0x78));
  p.setColor(QPalette::Mid, QColor::fromRgb(0x1E, 0x35, 0x52));
  p.setColor(QPalette::Dark, QColor::fromRgb(0x12, 0x20, 0x36));
  p.setColor(QPalette::Shadow, Qt::black);
  p.setColor(QPalette::Link, Rgba(kMint));
  return p;
}

const QImage& WindowBackground() {
  // Anchors: left and right at the top, the middle line and the bottom; the
  // blend is linear between them in both directions.
  static const QImage image = [] {
    const QColor left[3] = {QColor(0x17, 0x29, 0x46), QColor(0x23, 0x3E, 0x5B),
                            QColor(0x17, 0x29, 0x46)};
    const QColor right[3] = {QColor(0x29, 0x49, 0x66), QColor(0x3F, 0x6E, 0x8B),
                             QColor(0x2A, 0x4A, 0x67)};
    constexpr int kWidth = 64, kHeight = 64;
    QImage blend(kWidth, kHeight, QImage::Format_RGB32);
    for (int y = 0; y < kHeight; ++y) {
      // Pixel centres, so that the smooth stretch keeps the anchors at the edges.
      const qreal v = (y + 0.5) / kHeight * 2.0;
      const int band = v < 1.0 ? 0 : 1;
      const qreal t = v - band;
      const QColor l = Blend(left[band], left[band + 1], t);
      const QColor r = Blend(right[band], right[band + 1], t);
      auto* line = reinterpret_cast<QRgb*>(blend.scanLine(y));
      for (int x = 0; x < kWidth; ++x) line[x] = Blend(l, r, (x + 0.5) / kWidth).rgb();
    }
    return blend;
  }();
  return image;
}

void DarkStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                              QPainter* painter, const QWidget* widget) const {
  switch (element) {
    case PE_FrameFocusRect:
      return;  // focus shows in the control's own colours
    case PE_PanelLineEdit: {
      const Dimmed dim(painter, option);
      Underline(painter, option->rect, Focused(option) ? Rgba(kMint) : Rgba(kWhite, 0.5));
      return;
    }
    case PE_FrameLineEdit:
      return;
    case PE_IndicatorRadioButton: {
      const Dimmed dim(painter, option);
      painter->setRenderHint(QPainter::Antialiasing);
      const QRectF box(option->rect);
      const QPointF c = box.center();
      const bool on = option->state.testFlag(State_On);
      if (on) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(Rgba(kMint));
        painter->drawEllipse(c, 8, 8);
        painter->setBrush(Rgba(0xFF1A2E45));
        painter->drawEllipse(c, 3, 3);
      } else {
        const bool hover = Hovered(option);
        painter->setPen(QPen(hover ? Rgba(kMint) : Rgba(0xFF536F88), 1));
        painter->setBrush(hover ? Rgba(0xFF82CDB4, 0.2) : Rgba(0xFF14263D, 0.34));
        painter->drawEllipse(c, 7.5, 7.5);
      }
      return;
    }
    case PE_PanelItemViewItem:
      if (option->state.testFlag(State_Selected)) {
        const Dimmed dim(painter, option);
        painter->fillRect(option->rect, Rgba(0xFF82CDB4, 0.2));
        painter->setPen(Rgba(0xFF7FCEB5, 0.8));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(QRect(option->rect).adjusted(0, 0, -1, -1));
      }
      return;
    case PE_PanelButtonCommand: {
      const Dimmed dim(painter, option);
      QColor fill = Rgba(0xFFAAB9C3, 0.2);
      if (option->state.testFlag(State_Sunken)) {
        fill = Rgba(0xFF66A69F, 0.7);
      } else if (Hovered(option) || Focused(option)) {
        fill = Rgba(kMint);
      }
      FillRounded(painter, QRectF(option->rect), fill);
      return;
    }
    case PE_PanelButtonTool: {
      const Dimmed dim(painter, option);
      const QRectF inset = QRectF(option->rect).adjusted(1, 1, -1, -1);
      if (option->state & (State_Sunken | State_On)) {
        FillRounded(painter, inset, Rgba(0xFF000000, 0.2));
      } else if (Hovered(option)) {
        FillRounded(painter, inset, Rgba(kWhite, 0.15));
      }
      return;
    }
    case PE_Frame:
    case PE_FrameWindow:
      return;
    default:
      QProxyStyle::drawPrimitive(element, option, painter, widget);
  }
}

void DarkStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                            const QWidget* widget) const {
  switch (element) {
    case CE_PushButtonLabel:
      if (const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option)) {
        QStyleOptionButton copy(*button);
        // Navy on the mint and pressed looks, white otherwise.
        if (Hovered(option) || Focused(option) || option->state.testFlag(State_Sunken)) {
          copy.palette.setColor(QPalette::ButtonText, Rgba(kNavy));
        }
        const Dimmed dim(painter, option);
        QProxyStyle::drawControl(element, &copy, painter, widget);
        return;
      }
      break;
    case CE_ShapedFrame:
      if (widget != nullptr && widget->inherits("QComboBoxPrivateContainer")) {
        // The drop-down panel: #192D4C at 90 % (over the window's colours,
        // as a window without a compositor cannot be translucent), with a
        // 1-pixel border.
        painter->fillRect(option->rect, QColor::fromRgb(0x1A, 0x2F, 0x4E));
        painter->setPen(QColor::fromRgb(0x12, 0x20, 0x36));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(QRect(option->rect).adjusted(0, 0, -1, -1));
      }
      return;  // the list has no frame of its own
    case CE_ScrollBarAddLine:
    case CE_ScrollBarSubLine:
      if (const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option)) {
        const Dimmed dim(painter, option);
        const QRectF box(option->rect);
        const QPointF c = box.center();
        const bool add = element == CE_ScrollBarAddLine;
        const bool vertical = bar->orientation == Qt::Vertical;
        QPainterPath arrow;
        const qreal s = std::min(box.width(), box.height()) / 4.0;
        if (vertical) {
          const qreal d = add ? s / 2 : -s / 2;
          arrow.moveTo(c.x() - s, c.y() - d);
          arrow.lineTo(c.x() + s, c.y() - d);
          arrow.lineTo(c.x(), c.y() + d);
        } else {
          const qreal d = add ? s / 2 : -s / 2;
          arrow.moveTo(c.x() - d, c.y() - s);
          arrow.lineTo(c.x() - d, c.y() + s);
          arrow.lineTo(c.x() + d, c.y());
        }
        arrow.closeSubpath();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(
            Rgba(kWhite, option->state & (State_MouseOver | State_Sunken) ? 0.7 : 0.5));
        painter->drawPath(arrow);
        return;
      }
      break;
    case CE_ScrollBarSlider: {
      const Dimmed dim(painter, option);
      const bool strong = option->state & (State_MouseOver | State_Sunken);
      const QRectF thumb = QRectF(option->rect).adjusted(2, 2, -2, -2);
      FillRounded(painter, thumb, Rgba(kWhite, strong ? 0.7 : 0.5),
                  std::min(thumb.width(), thumb.height()) / 2);
      return;
    }
    case CE_ScrollBarAddPage:
    case CE_ScrollBarSubPage:
    case CE_ScrollBarFirst:
    case CE_ScrollBarLast:
      return;  // a transparent track
    default:
      break;
  }
  QProxyStyle::drawControl(element, option, painter, widget);
}

void DarkStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                   QPainter* painter, const QWidget* widget) const {
  switch (control) {
    case CC_ComboBox: {
      const Dimmed dim(painter, option);
      const QColor line = LineColour(option);
      Underline(painter, option->rect, line);
      const QRect arrow = subControlRect(CC_ComboBox, option, SC_ComboBoxArrow, widget);
      QColor chevron = line;
      if (!Hovered(option) && !Focused(option)) chevron = Rgba(kWhite, 0.75);
      Chevron(painter, QRectF(arrow), chevron);
      return;
    }
    case CC_ToolButton:
      if (const auto* button = qstyleoption_cast<const QStyleOptionToolButton*>(option)) {
        // A flat button: the panel by state, the glyph in white on top.
        QStyleOption panel(*button);
        panel.rect = button->rect;
        drawPrimitive(PE_PanelButtonTool, &panel, painter, widget);
        QStyleOptionToolButton label(*button);
        label.state &= ~(State_Sunken | State_On);  // no shifted label
        label.palette.setColor(QPalette::ButtonText, Rgba(kWhite));
        const Dimmed dim(painter, option);
        drawControl(CE_ToolButtonLabel, &label, painter, widget);
        return;
      }
      break;
    case CC_ScrollBar:
      if (const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option)) {
        for (const auto& [sub, element] : {std::pair{SC_ScrollBarAddLine, CE_ScrollBarAddLine},
                                           std::pair{SC_ScrollBarSubLine, CE_ScrollBarSubLine},
                                           std::pair{SC_ScrollBarSlider, CE_ScrollBarSlider}}) {
          QStyleOptionSlider part(*bar);
          part.rect = subControlRect(CC_ScrollBar, bar, sub, widget);
          part.state &= ~(State_MouseOver | State_Sunken);
          if (bar->activeSubControls & sub)
            part.state |= bar->state & (State_MouseOver | State_Sunken);
          if (part.rect.isValid()) drawControl(element, &part, painter, widget);
        }
        return;
      }
      break;
    default:
      break;
  }
  QProxyStyle::drawComplexControl(control, option, painter, widget);
}

void DarkStyle::polish(QWidget* widget) {
  QProxyStyle::polish(widget);
  if (auto* view = qobject_cast<QAbstractItemView*>(widget)) {
    if (view->parentWidget() != nullptr &&
        view->parentWidget()->inherits("QComboBoxPrivateContainer")) {
      // The panel shows through the list of the drop-down.
      QPalette p = view->palette();
      p.setColor(QPalette::Base, Qt::transparent);
      view->setPalette(p);
      view->viewport()->setAutoFillBackground(false);
    }
  }
}

int DarkStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                           const QWidget* widget) const {
  switch (metric) {
    case PM_ExclusiveIndicatorWidth:
    case PM_ExclusiveIndicatorHeight:
      return 18;
    case PM_RadioButtonLabelSpacing:
      return 3;
    case PM_FocusFrameHMargin:
      return 2;  // list items: 3 pixels of margin left and right
    case PM_DefaultFrameWidth:
      return 0;
    case PM_ScrollBarExtent:
      return 12;
    default:
      return QProxyStyle::pixelMetric(metric, option, widget);
  }
}

int DarkStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                         QStyleHintReturn* returnData) const {
  switch (hint) {
    case SH_ComboBox_Popup:
      return 0;  // a plain list below the box, not a menu over it
    default:
      return QProxyStyle::styleHint(hint, option, widget, returnData);
  }
}

QRect DarkStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                                SubControl sub, const QWidget* widget) const {
  if (control == CC_ComboBox && sub == SC_ComboBoxArrow) {
    const QRect r = option->rect;
    return QRect(r.right() - 16, r.top(), 16, r.height());
  }
  if (control == CC_ComboBox && sub == SC_ComboBoxEditField) {
    const QRect r = option->rect;
    return QRect(r.left() + 4, r.top(), std::max(0, r.width() - 22), r.height());
  }
  return QProxyStyle::subControlRect(control, option, sub, widget);
}

}  // namespace dw::theme
