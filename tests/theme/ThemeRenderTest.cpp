// The theme as drawn: the window background, the drop target's frame, icon,
// bounce and dimming, and a toggled tool bar button.
#include <QAbstractItemView>
#include <QApplication>
#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <QToolButton>
#include <QUrl>

#include "AppTestSupport.h"
#include "platform/gui/FileDropTarget.h"
#include "platform/gui/ListComboBox.h"
#include "platform/gui/ScaledLayout.h"
#include "theme/DropTargetStyle.h"

namespace dw::test {
namespace {

int Brightness(QRgb c) {
  return qRed(c) + qGreen(c) + qBlue(c);
}
bool Near(QRgb a, QRgb b, int tolerance) {
  return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
         std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

class ThemeRenderTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    target = MakeFolder("target");
    WriteList({target + ",Target"});
    StartShown();
    QCursor::setPos(form->mapToGlobal(QPoint(500, 500)));  // nothing hovered
    QApplication::processEvents();
  }

  dw::theme::DropTarget1Style1& Look() const {
    return *static_cast<dw::theme::DropTarget1Style1*>(form->DropTarget1->Look());
  }
  // What the window shows: its backing store, as the screen has it.
  QImage Window() const {
    QApplication::processEvents();
    return form->screen()
        ->grabWindow(form->winId())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
  }
  // The drop target's look drawn alone at eight pixels a unit, over black.
  QImage LookAt8() const {
    QImage image(57 * 8, 49 * 8, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.scale(8, 8);
    Look().Paint(painter, QSizeF(57, 49));
    return image;
  }
  void SendDrag(QEvent::Type type) { SendDragEvent(*form, type, data); }

  std::string target;
  QMimeData data;
};

TEST_F(ThemeRenderTest, TheBackgroundBlendsTheAnchorColoursOverTheWholeWindow) {
  for (const QSize size : {QSize(167, 133), QSize(334, 266)}) {
    form->resize(size);
    QApplication::processEvents();
    const QImage image = Window();
    const int w = size.width() - 1, h = size.height() - 1, mid = h / 2;
    struct Spot {
      QPoint at;
      QRgb anchor;
    };
    const std::vector<Spot> spots = {
        {{1, 1}, 0x172946},       {{w - 1, 1}, 0x294966}, {{1, mid}, 0x233E5B},
        {{w - 1, mid}, 0x3F6E8B}, {{1, h - 1}, 0x172946}, {{w - 1, h - 1}, 0x2A4A67},
    };
    for (const Spot& spot : spots) {
      const QRgb got = image.pixel(spot.at);
      EXPECT_TRUE(Near(got, spot.anchor, 6))
          << std::hex << got << " at " << std::dec << spot.at.x() << "," << spot.at.y();
    }
    // Along the middle line it brightens from left to right, on the margins.
    EXPECT_LT(Brightness(image.pixel(1, mid)), Brightness(image.pixel(w / 2, mid)));
    EXPECT_LT(Brightness(image.pixel(1, mid)), Brightness(image.pixel(w - 1, mid)));
    EXPECT_GT(Brightness(image.pixel(w - 1, mid)), Brightness(image.pixel(w - 1, 1)));
  }
}

TEST_F(ThemeRenderTest, TheFrameIsDashedSixOnTwoOffAlongTheTopEdge) {
  const QImage image = LookAt8();
  // The stroke's centre line runs one unit below the top edge.
  std::vector<std::pair<bool, int>> runs;
  for (int x = 12 * 8; x < 45 * 8; ++x) {
    const bool on = Brightness(image.pixel(x, 8)) > 3 * 128;
    if (runs.empty() || runs.back().first != on) runs.emplace_back(on, 0);
    ++runs.back().second;
  }
  ASSERT_GE(runs.size(), 6u);
  // Whole runs only (not the first and last, cut by the sampled span).
  for (std::size_t i = 1; i + 1 < runs.size(); ++i) {
    const int units8 = runs[i].first ? 6 * 8 : 2 * 8;
    EXPECT_NEAR(runs[i].second, units8, 2) << "run " << i << (runs[i].first ? " on" : " off");
  }
}

TEST_F(ThemeRenderTest, TheIconRestsAt13By9ItsHolesAreOpenAndItRisesTenUnits) {
  EXPECT_EQ(Look().IconBox(QSizeF(57, 49)), QRectF(13, 9, 30, 30));
  const QImage image = LookAt8();
  auto white = [&](qreal gx, qreal gy, qreal top) {
    // A point of the 512 grid, in the icon box at its left and top.
    const QPointF p((13 + gx / 512 * 30) * 8, (top + gy / 512 * 30) * 8);
    return Brightness(image.pixel(p.toPoint())) > 3 * 200;
  };
  EXPECT_TRUE(white(256, 8, 9)) << "shaft";
  EXPECT_TRUE(white(256, 300, 9)) << "arrowhead";
  EXPECT_TRUE(white(400, 464, 9)) << "tray between the holes";
  EXPECT_TRUE(white(20, 500, 9)) << "tray";
  EXPECT_FALSE(white(368, 464, 9)) << "left hole";
  EXPECT_FALSE(white(432, 464, 9)) << "right hole";
  EXPECT_FALSE(white(256, 396, 9)) << "gap under the tip";
  EXPECT_FALSE(white(100, 100, 9)) << "beside the shaft";
  // The icon reaches from 13, 9 to 43, 39 and no further (inside the frame).
  int left = image.width(), right = 0, top = image.height(), bottom = 0;
  for (int y = 5 * 8; y < 44 * 8; ++y) {
    for (int x = 5 * 8; x < 52 * 8; ++x) {
      if (Brightness(image.pixel(x, y)) <= 3 * 128) continue;
      left = std::min(left, x), right = std::max(right, x);
      top = std::min(top, y), bottom = std::max(bottom, y);
    }
  }
  EXPECT_NEAR(left, 13 * 8, 2);
  EXPECT_NEAR(right, 43 * 8, 2);
  EXPECT_NEAR(top, 9 * 8, 2);
  EXPECT_NEAR(bottom, 39 * 8, 2);

  // At the middle of a cycle the content area has grown by 20 units.
  Look().DragOverChanged(true);
  Look().Bounce().setCurrentTime(300);
  EXPECT_DOUBLE_EQ(Look().PaddingTop(), -20);
  EXPECT_EQ(Look().IconBox(QSizeF(57, 49)), QRectF(13, -1, 30, 30));
  Look().Bounce().setCurrentTime(150);
  EXPECT_DOUBLE_EQ(Look().PaddingTop(), -10);
  Look().DragOverChanged(false);
  EXPECT_EQ(Look().IconBox(QSizeF(57, 49)), QRectF(13, 9, 30, 30));
}

TEST_F(ThemeRenderTest, ADisabledDropTargetIsDrawnAtSixtyPercent) {
  auto frameAndBackground = [&] {
    const QImage image = form->DropTarget1->grab().toImage().convertToFormat(QImage::Format_RGB32);
    // A dash on the left edge (at its stroke's centre) and the inside.
    int brightest = 0;
    for (int y = 12; y < 37; ++y) brightest = std::max(brightest, Brightness(image.pixel(1, y)));
    return std::pair{brightest, Brightness(image.pixel(6, 45))};
  };
  const auto [enabled, background] = frameAndBackground();
  form->DropTarget1->setEnabled(false);
  const auto [disabled, backgroundDisabled] = frameAndBackground();
  EXPECT_NEAR(backgroundDisabled, background, 6);
  // White over the background at 60 %.
  EXPECT_NEAR(disabled - background, 0.6 * (enabled - background), 12);
}

TEST_F(ThemeRenderTest, AToggledTopButtonIsDarkerThanTheToolBarBesideIt) {
  const QImage before = Window();
  form->TopBtn->setChecked(true);
  QApplication::processEvents();
  const QImage after = Window();
  // Inside the button's rounded shape, clear of the glyph; and the bar's gap.
  const QPoint inButton(83, 3), beside(106, 3);
  EXPECT_LT(Brightness(after.pixel(inButton)) + 20, Brightness(after.pixel(beside)));
  EXPECT_LT(Brightness(after.pixel(inButton)) + 20, Brightness(before.pixel(inButton)));
  EXPECT_TRUE(Near(after.pixel(beside), before.pixel(beside), 2));
}

TEST_F(ThemeRenderTest, TheBounceRunsWhileDraggedOverAndIsAtRestBeforeTheDrop) {
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString((dir / "f").string()))});
  SendDrag(QEvent::DragEnter);
  ASSERT_TRUE(form->DropTarget1->IsDraggedOver());
  EXPECT_TRUE(Look().Bouncing());
  Look().Bounce().setCurrentTime(420);
  EXPECT_LT(Look().PaddingTop(), 0);

  SendDrag(QEvent::DragLeave);
  EXPECT_FALSE(Look().Bouncing());
  EXPECT_EQ(Look().PaddingTop(), 0);

  // In again: from the first key.
  SendDrag(QEvent::DragEnter);
  EXPECT_TRUE(Look().Bouncing());
  EXPECT_EQ(Look().Bounce().currentTime(), 0);
  Look().Bounce().setCurrentTime(200);

  bool checked = false;
  platform.onShell = [&] {
    checked = true;
    EXPECT_FALSE(form->DropTarget1->IsDraggedOver());
    EXPECT_FALSE(Look().Bouncing());
    EXPECT_EQ(Look().PaddingTop(), 0);
  };
  SendDrag(QEvent::Drop);
  EXPECT_TRUE(checked);
}

TEST_F(ThemeRenderTest, TheDropDownFadesInAndOutButGoesAtOnce) {
  form->ComboBox1->showPopup();
  QWidget* panel = form->ComboBox1->view()->window();
  ASSERT_NE(panel, form.get());
  EXPECT_TRUE(panel->isVisible());
  EXPECT_LT(panel->windowOpacity(), 0.5);
  QTest::qWait(200);
  EXPECT_DOUBLE_EQ(panel->windowOpacity(), 1.0);
  const QRect place = panel->geometry();

  form->ComboBox1->hidePopup();
  EXPECT_FALSE(panel->isVisible());  // no waiting for the fade
  QPointer<QWidget> ghost;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->objectName() == "ComboFadeOut" && w->isVisible()) ghost = w;
  }
  ASSERT_FALSE(ghost.isNull());
  EXPECT_EQ(ghost->geometry(), place);
  EXPECT_TRUE(ghost->testAttribute(Qt::WA_TransparentForMouseEvents));
  QTest::qWait(300);
  EXPECT_TRUE(ghost.isNull());
}

}  // namespace
}  // namespace dw::test
