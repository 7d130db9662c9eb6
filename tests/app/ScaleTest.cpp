// The content stretched to the window: clicks at a control's scaled position
// reach that control, and presses on empty spots do no harm.
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QGraphicsProxyWidget>
#include <QRadioButton>
#include <QSet>
#include <QTest>
#include <QToolButton>

#include "AppTestSupport.h"
#include "platform/gui/FileDropTarget.h"
#include "platform/gui/ScaledLayout.h"

namespace dw::test {
namespace {

class ScaleTest : public AppTest, public ::testing::WithParamInterface<QSize> {
 protected:
  // The window point of a point in reference units, worked out here from the
  // window size alone.
  QPoint WindowPoint(QPointF units) {
    const QSize size = GetParam();
    return QPoint(qRound(units.x() * size.width() / 167.0),
                  qRound(units.y() * size.height() / 133.0));
  }
  void Click(QPointF units, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(form->ScaledLayout1->viewport(), button, Qt::NoModifier, WindowPoint(units));
  }
};

TEST_P(ScaleTest, ClicksReachTheControlsAtTheirScaledPlaces) {
  const std::string a = MakeFolder("a"), b = MakeFolder("b");
  WriteList({a + ",A", b + ",B"});
  StartShown(GetParam().width(), GetParam().height());
  ASSERT_EQ(form->ScaledLayout1->size(), GetParam());
  EXPECT_EQ(form->ScaledLayout1->mapFromScene(QPointF(100, 50)), WindowPoint({100, 50}));

  Click({80 + 28, 100 + 9});  // MoveRb
  EXPECT_TRUE(form->MoveRb->isChecked());
  Click({80 + 28, 76 + 9});  // CopyRb
  EXPECT_TRUE(form->CopyRb->isChecked());

  Click({56 + 11, 11});  // ReSizeBtn
  EXPECT_TRUE(form->ReSizeBtn->isChecked());
  Click({56 + 11, 11});
  EXPECT_FALSE(form->ReSizeBtn->isChecked());

  // ComboBox1 is drawn at 1.2: its right end lies at 8 + 121 * 1.2 units.
  Click({8 + 121 * 1.2 - 6, 32 + 26.4 / 2});
  QAbstractItemView* list = form->ComboBox1->view();
  EXPECT_TRUE(list->isVisible());
  EXPECT_TRUE(list->window()->isWindow());
  form->ComboBox1->hidePopup();
}

TEST_P(ScaleTest, PressesOnEmptySpotsChangeNothing) {
  StartShown(GetParam().width(), GetParam().height());
  const QRect before = form->geometry();
  for (auto button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
    Click({150, 60}, button);  // empty surface
    Click({120, 12}, button);  // tool bar between buttons
    Click({147, 21}, button);  // below the shorter close button
    QTest::mouseDClick(form->ScaledLayout1->viewport(), button, Qt::NoModifier,
                       WindowPoint({5, 128}));
  }
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(form->geometry(), before);
  EXPECT_TRUE(form->CopyRb->isChecked());
  EXPECT_FALSE(form->ReSizeBtn->isChecked());
  EXPECT_EQ(platform.wholeFileWrites + platform.profileWrites, 0);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ScaleTest, ::testing::Values(QSize(334, 133), QSize(150, 140)),
                         [](const ::testing::TestParamInfo<QSize>& s) {
                           return std::to_string(s.param.width()) + "x" +
                                  std::to_string(s.param.height());
                         });

TEST_F(AppTest, LayoutMatchesTheReferenceTable) {
  StartShown();
  struct Placed {
    QWidget* control;
    QRect units;
  };
  const Placed table[] = {
      {form->DropTarget1, {8, 72, 57, 49}}, {form->CopyRb, {80, 76, 57, 19}},
      {form->MoveRb, {80, 100, 57, 19}},    {form->ToolBar1, {0, 0, 167, 25}},
      {form->SettingBtn, {4, 0, 22, 22}},   {form->OpenBtn, {32, 0, 22, 22}},
      {form->ReSizeBtn, {56, 0, 22, 22}},   {form->TopBtn, {80, 0, 22, 22}},
      {form->CloseBtn, {136, 0, 22, 17}},
  };
  for (const Placed& p : table)
    EXPECT_EQ(p.control->geometry(), p.units) << p.control->objectName().toStdString();
  EXPECT_EQ(form->ComboBox1->size(), QSize(121, 22));
  const QRectF comboUnits = form->ComboBox1->graphicsProxyWidget()->sceneBoundingRect();
  EXPECT_NEAR(comboUnits.left(), 8, 1e-9);
  EXPECT_NEAR(comboUnits.top(), 32, 1e-9);
  EXPECT_NEAR(comboUnits.width(), 145.2, 1e-9);
  EXPECT_NEAR(comboUnits.height(), 26.4, 1e-9);

  const std::pair<QToolButton*, QString> hints[] = {
      {form->SettingBtn, QStringLiteral("フォルダー追加")},
      {form->OpenBtn, QStringLiteral("フォルダーを開く")},
      {form->ReSizeBtn, QStringLiteral("サイズ変更")},
      {form->TopBtn, QStringLiteral("TOP表示")},
      {form->CloseBtn, QString()},
  };
  QSet<QChar> glyphs;
  for (const auto& [button, hint] : hints) {
    EXPECT_EQ(button->toolTip(), hint);
    EXPECT_EQ(button->focusPolicy(), Qt::NoFocus);
    ASSERT_EQ(button->text().size(), 1);
    // The glyph is in the button's own font (the built-in one is cut down
    // to exactly these characters), not borrowed from a fallback.
    EXPECT_TRUE(QFontMetrics(button->font()).inFont(button->text().at(0)))
        << button->objectName().toStdString();
    glyphs.insert(button->text().at(0));
  }
  EXPECT_EQ(glyphs.size(), 5);
  EXPECT_TRUE(form->ReSizeBtn->isCheckable());
  EXPECT_TRUE(form->TopBtn->isCheckable());
  EXPECT_FALSE(form->SettingBtn->isCheckable());
  EXPECT_TRUE(form->ComboBox1->toolTip().isEmpty());
  EXPECT_TRUE(form->ScaledLayout1->testAttribute(Qt::WA_AlwaysShowToolTips));

  // Tab order: drop target, the checked radio button, then the combo box.
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  form->DropTarget1->setFocus(Qt::TabFocusReason);
  ASSERT_TRUE(form->DropTarget1->hasFocus());
  QTest::keyClick(form->ScaledLayout1, Qt::Key_Tab);
  EXPECT_TRUE(form->CopyRb->hasFocus());
  QTest::keyClick(form->ScaledLayout1, Qt::Key_Tab);
  EXPECT_TRUE(form->ComboBox1->hasFocus());
}

}  // namespace
}  // namespace dw::test
