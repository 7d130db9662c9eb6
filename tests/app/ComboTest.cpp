// The combo box rules and the folder list editor's return: the change
// handler runs exactly when the selected position changes.
#include <QApplication>
#include <QComboBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "AppTestSupport.h"
#include "platform/Utf.h"
#include "platform/gui/FileDropTarget.h"
#include "platform/gui/ReorderListBox.h"

namespace dw::test {
namespace {

class ComboTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    a = MakeFolder("a");
    b = MakeFolder("b");
    c = MakeFolder("c");
    WriteList({a + ",A", "", b + ",B", c + ",C"});
    platform.SetProfile(u"Select", u"Folder", u"0");
    StartShown();
    platform.folderTests.clear();
  }
  // How often the change handler ran since the last call (it tests the
  // chosen folder's existence exactly once per run).
  std::size_t Runs() {
    const std::size_t runs = platform.folderTests.size();
    platform.folderTests.clear();
    return runs;
  }
  std::u16string TagDir() { return TForm1Probe::TagDir(*form); }
  std::string a, b, c;
};

TEST_F(ComboTest, UserChangesRunTheHandlerOncePerChange) {
  QComboBox* combo = form->ComboBox1;
  ASSERT_EQ(combo->currentIndex(), 0);

  QTest::keyClick(combo, Qt::Key_Down);
  EXPECT_EQ(combo->currentIndex(), 1);
  EXPECT_EQ(Runs(), 1u);
  EXPECT_EQ(TagDir(), FromUtf8(b));

  QTest::keyClick(combo, Qt::Key_End);
  EXPECT_EQ(combo->currentIndex(), 2);
  EXPECT_EQ(Runs(), 1u);
  EXPECT_EQ(TagDir(), FromUtf8(c));

  QTest::keyClick(combo, Qt::Key_End);  // already there
  EXPECT_EQ(Runs(), 0u);

  QTest::keyClick(combo, Qt::Key_Home);
  EXPECT_EQ(combo->currentIndex(), 0);
  EXPECT_EQ(Runs(), 1u);
  EXPECT_EQ(TagDir(), FromUtf8(a));
  EXPECT_EQ(combo->toolTip(), QString::fromStdString(a));
}

TEST_F(ComboTest, ProgramChangesRunTheHandlerOnlyOnRealChange) {
  QComboBox* combo = form->ComboBox1;
  combo->setCurrentIndex(0);
  EXPECT_EQ(Runs(), 0u);
  combo->setCurrentIndex(2);
  EXPECT_EQ(Runs(), 1u);
  EXPECT_EQ(TagDir(), FromUtf8(c));
  combo->setCurrentIndex(2);
  EXPECT_EQ(Runs(), 0u);
}

TEST_F(ComboTest, RefillClearsSelectionWithoutRunningAndKeepsTarget) {
  QComboBox* combo = form->ComboBox1;
  combo->setCurrentIndex(1);
  Runs();
  form->FolderList->lines = {U(c + ",C"), U(a + ",A")};
  form->SetFolderComb();
  EXPECT_EQ(Runs(), 0u);
  EXPECT_EQ(combo->currentIndex(), -1);
  EXPECT_EQ(combo->count(), 2);
  EXPECT_EQ(combo->itemText(0), QStringLiteral("C"));
  EXPECT_EQ(TagDir(), FromUtf8(b));
  EXPECT_EQ(combo->toolTip(), QString::fromStdString(b));

  // A negative position keeps it without selection, and nothing runs.
  combo->setCurrentIndex(-4);
  EXPECT_EQ(combo->currentIndex(), -1);
  EXPECT_EQ(Runs(), 0u);

  // Items now map to the new lines.
  combo->setCurrentIndex(1);
  EXPECT_EQ(TagDir(), FromUtf8(a));
}

TEST_F(ComboTest, SettingButtonLeavesNoSelectionButKeepsTargetAndDropTarget) {
  // A missing folder chosen: the drop target is disabled and must stay so.
  form->FolderList->lines.push_back(U((dir / "gone").string() + ",Gone"));
  form->SetFolderComb();
  {
    BoxCatcher boxes;
    form->ComboBox1->setCurrentIndex(3);
    ASSERT_EQ(boxes.seen.size(), 1u);
  }
  ASSERT_FALSE(form->DropTarget1->isEnabled());
  const std::u16string target = TagDir();

  bool editorShown = false;
  QTimer::singleShot(0, [&] {
    editorShown = QApplication::activeModalWidget() == Form2;
    Form2->ListBox1->clear();
    Form2->ListBox1->addItems({QString::fromStdString(a + ",A"), QString::fromStdString(b + ",B")});
    Form2->close();
  });
  platform.folderTests.clear();
  form->SettingBtn->click();
  EXPECT_TRUE(editorShown);
  EXPECT_EQ(form->ComboBox1->currentIndex(), -1);
  EXPECT_EQ(form->ComboBox1->count(), 2);
  EXPECT_EQ(TagDir(), target);
  EXPECT_FALSE(form->DropTarget1->isEnabled());
  EXPECT_EQ(Runs(), 0u);

  // The next close stores no selection.
  form->CloseBtn->click();
  EXPECT_EQ(platform.ProfileRead(u"Select", u"Folder", u"?", dir.U16("Dropwell.ini")), u"-1");
}

TEST_F(ComboTest, ChoosingAgainAfterFolderAppearsNeedsAChange) {
  const std::string later = (dir / "later").string();
  form->FolderList->lines = {U(later + ",Later"), U(a + ",A")};
  form->SetFolderComb();
  {
    BoxCatcher boxes;
    form->ComboBox1->setCurrentIndex(0);
    EXPECT_EQ(boxes.seen.size(), 1u);
  }
  EXPECT_FALSE(form->DropTarget1->isEnabled());
  MakeFolder("later");
  form->ComboBox1->setCurrentIndex(0);
  EXPECT_FALSE(form->DropTarget1->isEnabled());
  form->ComboBox1->setCurrentIndex(1);
  form->ComboBox1->setCurrentIndex(0);
  EXPECT_TRUE(form->DropTarget1->isEnabled());
}

}  // namespace
}  // namespace dw::test
