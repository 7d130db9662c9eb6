// The message box, the error report and the guard around handlers.
#include <QApplication>
#include <QComboBox>
#include <QToolButton>

#include "AppTestSupport.h"
#include "platform/Errors.h"
#include "platform/gui/MessageBox.h"

namespace dw::test {
namespace {

TEST_F(AppTest, MessageBoxIsPlainAndEveryWayDismissesIt) {
  StartShown();
  for (auto how :
       {BoxCatcher::Dismiss::Ok, BoxCatcher::Dismiss::Escape, BoxCatcher::Dismiss::CloseBox}) {
    BoxCatcher boxes(how);
    gui::ShowMessage(QStringLiteral("失敗しました"));
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].title, QStringLiteral("Dropwell"));
    EXPECT_EQ(boxes.seen[0].text, QStringLiteral("失敗しました"));
    EXPECT_EQ(boxes.seen[0].icon, QMessageBox::NoIcon);
    EXPECT_EQ(boxes.seen[0].buttons, 1);
  }
}

TEST_F(AppTest, OpenButtonReportsMissingFolderOrOpensIt) {
  const std::string a = MakeFolder("a");
  WriteList({a + ",A"});
  platform.SetProfile(u"Select", u"Folder", u"-1");
  StartShown();
  {
    BoxCatcher boxes;
    form->OpenBtn->click();
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].text, QStringLiteral("ファオルダーがありません！"));
    EXPECT_EQ(boxes.seen[0].parent, form.get());
    EXPECT_TRUE(platform.opened.empty());
  }
  form->ComboBox1->setCurrentIndex(0);
  form->OpenBtn->click();
  EXPECT_EQ(platform.opened, std::vector<std::u16string>{U(a)});
}

TEST(ErrorReport, ShowsInnermostMessageWithThePeriodRule) {
  struct Case {
    std::u16string outer;
    std::u16string inner;
    QString shown;
  };
  const Case cases[] = {
      {u"outer", u"", QStringLiteral("outer.")},
      {u"outer", u"中身です。", QStringLiteral("中身です。.")},
      {u"", u"ends in a paren (0)", QStringLiteral("ends in a paren (0)")},
      {u"ends with blank ", u"", QStringLiteral("ends with blank ")},
      {u"already.", u"", QStringLiteral("already.")},
      {u"", u"", QString()},
  };
  for (const Case& c : cases) {
    BoxCatcher boxes;
    bool after = false;
    gui::RunGuarded([&] {
      auto inner = c.inner.empty() ? nullptr : std::make_shared<Error>(u"EInner", c.inner);
      throw Error(u"EOuter", c.outer, inner);
      after = true;
    });
    EXPECT_FALSE(after);
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].title, QStringLiteral("エラー"));
    EXPECT_EQ(boxes.seen[0].icon, QMessageBox::Critical);
    EXPECT_EQ(boxes.seen[0].text, c.shown);
    EXPECT_EQ(boxes.seen[0].buttons, 1);
  }
}

TEST(ErrorReport, GuardPassesQuietHandlersThrough) {
  BoxCatcher boxes;
  int runs = 0;
  gui::RunGuarded([&] { ++runs; });
  EXPECT_EQ(runs, 1);
  QApplication::processEvents();
  EXPECT_TRUE(boxes.seen.empty());
}

}  // namespace
}  // namespace dw::test
