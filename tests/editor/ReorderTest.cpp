// Putting the folder entries in order by dragging them with the mouse.
#include <QApplication>
#include <QTest>

#include "AppTestSupport.h"
#include "platform/gui/ReorderListBox.h"

namespace dw::test {
namespace {

class ReorderTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    WriteList({"A", "B", "C", "D"});
    StartShown();
    editor->show();
    QApplication::processEvents();
    list = editor->ListBox1;
  }
  void TearDown() override {
    editor->close();
    AppTest::TearDown();
  }

  QWidget* Viewport() const { return list->viewport(); }
  QPoint At(int row) const { return list->visualItemRect(list->item(row)).center(); }
  // A spot of the list below its last item.
  QPoint Empty() const { return QPoint(20, list->viewport()->height() - 5); }

  QString Order() const {
    QString order;
    for (int row = 0; row < list->count(); ++row) order += list->item(row)->text();
    return order;
  }
  QStringList Selected() const {
    QStringList texts;
    for (QListWidgetItem* item : list->selectedItems()) texts << item->text();
    return texts;
  }

  dw::gui::ReorderListBox* list = nullptr;
};

TEST_F(ReorderTest, ADropOnAnotherItemMovesTheDraggedItemToItsIndex) {
  struct Case {
    int dragged;
    int target;  // -1: an empty part of the list
    const char* after;
  };
  const std::vector<Case> cases = {
      {1, 3, "ACDB"}, {3, 0, "DABC"}, {1, 2, "ACBD"}, {1, -1, "ABCD"}, {2, 2, "ABCD"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.dragged) + " onto " + std::to_string(c.target));
    list->clear();
    list->addItems({"A", "B", "C", "D"});
    const QString dragged = list->item(c.dragged)->text();
    list->setCurrentRow(c.dragged);

    QTest::mousePress(Viewport(), Qt::LeftButton, {}, At(c.dragged));
    EXPECT_EQ(list->DraggedRow(), c.dragged);
    ASSERT_NE(list->DragPicture(), nullptr);
    const QPoint to = c.target >= 0 ? At(c.target) : Empty();
    QTest::mouseMove(Viewport(), to);
    EXPECT_EQ(list->TargetRow(), c.target == c.dragged ? -1 : c.target);
    QTest::mouseRelease(Viewport(), Qt::LeftButton, {}, to);

    EXPECT_EQ(Order(), c.after);
    EXPECT_EQ(list->DraggedRow(), -1);
    EXPECT_EQ(list->DragPicture(), nullptr);
    EXPECT_EQ(list->currentItem()->text(), dragged);
    EXPECT_EQ(Selected(), QStringList{dragged});
  }
}

TEST_F(ReorderTest, AFirstPressOnAnItemThatIsNotCurrentOnlySelectsIt) {
  list->setCurrentRow(0);
  QTest::mousePress(Viewport(), Qt::LeftButton, {}, At(2));
  EXPECT_EQ(list->DraggedRow(), -1);
  EXPECT_EQ(list->DragPicture(), nullptr);
  EXPECT_EQ(list->currentRow(), 2);
  QTest::mouseRelease(Viewport(), Qt::LeftButton, {}, At(2));
  EXPECT_EQ(Order(), "ABCD");
  EXPECT_EQ(Selected(), QStringList{"C"});

  // Nothing current at all: a press selects, and dragging needs a second one.
  list->selectionModel()->clear();
  QTest::mousePress(Viewport(), Qt::LeftButton, {}, At(1));
  QTest::mouseMove(Viewport(), At(3));
  QTest::mouseRelease(Viewport(), Qt::LeftButton, {}, At(3));
  EXPECT_EQ(list->DraggedRow(), -1);
  EXPECT_EQ(Order().indexOf('B'), 1);

  // A right press on the current item does not pick it up.
  list->setCurrentRow(1);
  QTest::mousePress(Viewport(), Qt::RightButton, {}, At(1));
  EXPECT_EQ(list->DraggedRow(), -1);
  QTest::mouseRelease(Viewport(), Qt::RightButton, {}, At(1));
}

TEST_F(ReorderTest, ThePictureFollowsThePointerAndOnlyOtherItemsAreHighlighted) {
  list->setCurrentRow(1);
  const QPoint press = At(1) + QPoint(7, 2);
  QTest::mousePress(Viewport(), Qt::LeftButton, {}, press);
  QWidget* picture = list->DragPicture();
  ASSERT_NE(picture, nullptr);
  EXPECT_TRUE(picture->isVisible());
  EXPECT_TRUE(picture->isWindow());
  EXPECT_EQ(picture->size(), list->visualItemRect(list->item(1)).size());
  const QPoint offset = Viewport()->mapToGlobal(press) - picture->pos();

  struct Step {
    QPoint to;
    int highlighted;
  };
  const std::vector<Step> steps = {
      {At(2), 2},    {At(1), -1},
      {Empty(), -1}, {QPoint(-40, At(0).y()), -1},
      {At(0), 0},    {QPoint(At(3).x(), Viewport()->height() + 30), -1},
  };
  for (const Step& step : steps) {
    QTest::mouseMove(Viewport(), step.to);
    EXPECT_EQ(list->TargetRow(), step.highlighted);
    EXPECT_EQ(Viewport()->mapToGlobal(step.to) - picture->pos(), offset);
  }
  // Released outside the list: nothing moves, and the drag is over.
  QTest::mouseRelease(Viewport(), Qt::LeftButton, {}, steps.back().to);
  EXPECT_EQ(Order(), "ABCD");
  EXPECT_EQ(list->DraggedRow(), -1);
  EXPECT_EQ(Selected(), QStringList{"B"});
}

TEST_F(ReorderTest, EscOrClosingTheDialogPutsThePickedItemBack) {
  list->setCurrentRow(0);
  QTest::mousePress(Viewport(), Qt::LeftButton, {}, At(0));
  QTest::mouseMove(Viewport(), At(2));
  QTest::keyClick(list, Qt::Key_Escape);
  EXPECT_EQ(list->DraggedRow(), -1);
  EXPECT_TRUE(editor->isVisible());
  QTest::mouseRelease(Viewport(), Qt::LeftButton, {}, At(2));
  EXPECT_EQ(Order(), "ABCD");

  QTest::mousePress(Viewport(), Qt::LeftButton, {}, At(0));
  QTest::mouseMove(Viewport(), At(3));
  editor->close();
  EXPECT_EQ(list->DragPicture(), nullptr);
  EXPECT_EQ(Order(), "ABCD");
}

}  // namespace
}  // namespace dw::test
