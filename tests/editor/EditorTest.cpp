// The folder list editor: its controls, its handlers and its life as a modal
// dialog of the drop window.
#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QToolButton>
#include <QUrl>
#include <QWindow>
#include <functional>

#include "AppTestSupport.h"
#include "platform/gui/FileDropTarget.h"
#include "platform/gui/ListComboBox.h"
#include "platform/gui/ReorderListBox.h"
#include "platform/gui/ScaledLayout.h"
#include "theme/DialogFrame.h"

namespace dw::test {
namespace {

class EditorTest : public AppTest {
 protected:
  // Starts the program over a folder list, with the drop window shown and
  // no entry chosen (the entries' folders need not exist).
  void Open(const std::vector<std::string>& lines) {
    WriteList(lines);
    platform.SetProfile(u"Select", u"Folder", u"-1");
    StartShown();
  }

  // Runs SettingBtn's click, doing `inside` while the dialog is up, then
  // closing it the way `close` says (its close box by default).
  void WhileOpen(const std::function<void()>& inside,
                 const std::function<void()>& close = nullptr) {
    bool ran = false;
    QTimer::singleShot(0, [&] {
      ran = true;
      EXPECT_EQ(QApplication::activeModalWidget(), editor.get());
      inside();
      if (close) {
        close();
      } else {
        editor->close();
      }
    });
    form->SettingBtn->click();
    EXPECT_TRUE(ran);
    EXPECT_FALSE(editor->isVisible());
  }

  std::vector<std::string> Items() const {
    std::vector<std::string> items;
    for (int row = 0; row < editor->ListBox1->count(); ++row) {
      items.push_back(editor->ListBox1->item(row)->text().toStdString());
    }
    return items;
  }

  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    for (const auto& line : form->FolderList->lines) lines.push_back(ToUtf8(line));
    return lines;
  }
};

TEST_F(EditorTest, ControlsSitWhereDesignedAndFollowTheDialogsSize) {
  Start();
  editor->show();
  struct Place {
    QWidget* control;
    QWidget* parent;
    QRect designed;  // at 378 x 278
    QRect grown;     // at 478 x 318
  };
  const std::vector<Place> places = {
      {editor->Layout2, editor.get(), {0, 0, 378, 49}, {0, 0, 478, 49}},
      {editor->Label1, editor->Layout2, {16, 16, 120, 17}, {16, 16, 120, 17}},
      {editor->Edit1, editor->Layout2, {104, 16, 154, 22}, {104, 16, 254, 22}},
      {editor->SelectBtn, editor->Layout2, {283, 19, 80, 22}, {383, 19, 80, 22}},
      {editor->Layout3, editor.get(), {0, 49, 378, 41}, {0, 49, 478, 41}},
      {editor->Edit2, editor->Layout3, {104, 11, 154, 22}, {104, 11, 254, 22}},
      {editor->Label2, editor->Layout3, {24, 8, 65, 17}, {24, 8, 65, 17}},
      {editor->AddBtn, editor->Layout3, {282, 11, 81, 22}, {382, 11, 81, 22}},
      {editor->Layout1, editor.get(), {265, 90, 113, 188}, {365, 90, 113, 228}},
      {editor->DelBtn, editor->Layout1, {16, 96, 81, 22}, {16, 96, 81, 22}},
      {editor->Label3, editor->Layout1, {16, 152, 73, 17}, {16, 152, 73, 17}},
      {editor->ListBox1, editor.get(), {0, 90, 265, 188}, {0, 90, 365, 228}},
  };
  // Positions are in the client area, inside the frame's title bar and
  // borders (390 x 313 outside, 378 x 278 inside).
  const QPoint client(6, 29);
  auto placed = [&](const Place& p) {
    return p.parent == editor.get() ? p.control->geometry().translated(-client)
                                    : p.control->geometry();
  };
  EXPECT_EQ(editor->size(), QSize(390, 313));
  for (const Place& p : places) {
    EXPECT_EQ(p.control->parentWidget(), p.parent) << p.control->objectName().toStdString();
    EXPECT_EQ(placed(p), p.designed) << p.control->objectName().toStdString();
  }
  editor->resize(490, 353);
  for (const Place& p : places) {
    EXPECT_EQ(placed(p), p.grown) << p.control->objectName().toStdString();
  }
  // Edit1 lies above the end of its label.
  EXPECT_EQ(editor->Layout2->childAt(110, 20), editor->Edit1);

  const std::vector<std::pair<QString, QString>> texts = {
      {editor->windowTitle(), "フォルダー追加"},
      {editor->Label1->text(), "ファオルダーパス"},
      {editor->SelectBtn->text(), "フォルダー選択"},
      {editor->Label2->text(), "別名"},
      {editor->AddBtn->text(), "追加"},
      {editor->DelBtn->text(), "削除"},
      {editor->Label3->text(), "Ver 1.0"},
  };
  for (const auto& [shown, expected] : texts) EXPECT_EQ(shown, expected);
  // The theme frames it: only its close button works.
  EXPECT_TRUE(editor->windowFlags().testFlag(Qt::FramelessWindowHint));
  EXPECT_FALSE(editor->Frame->MinimizeButton()->isEnabled());
  EXPECT_FALSE(editor->Frame->MaximizeButton()->isEnabled());
  EXPECT_TRUE(editor->Frame->CloseButton()->isEnabled());
  for (QAbstractButton* button : {editor->Frame->MinimizeButton(), editor->Frame->MaximizeButton(),
                                  editor->Frame->CloseButton()}) {
    EXPECT_EQ(button->size(), QSize(28, 18));
    EXPECT_LE(button->geometry().bottom(), 29);
    EXPECT_GE(button->x(), 390 - 6 - 3 * 28);
  }
}

TEST_F(EditorTest, ItsTitleBarShowsTheCaptionAndDimsTheButtonsItDoesNotOffer) {
  Open({});
  WhileOpen([&] {
    // The brightest pixel of a region of the dialog as the screen shows it.
    auto brightest = [&](QRect region) {
      QApplication::processEvents();
      const QImage image = editor->screen()->grabWindow(editor->winId()).toImage();
      QRgb best = 0;
      for (int y = region.top(); y <= region.bottom(); ++y) {
        for (int x = region.left(); x <= region.right(); ++x) {
          const QRgb c = image.pixel(x, y);
          if (qRed(c) + qGreen(c) + qBlue(c) > qRed(best) + qGreen(best) + qBlue(best)) best = c;
        }
      }
      return best;
    };
    const QRect caption(6, 0, 120, 29);
    QApplication::setActiveWindow(editor.get());
    const QRgb active = brightest(caption);
    EXPECT_GE(qRed(active), 235);
    EXPECT_GE(qBlue(active), 235);
    QApplication::setActiveWindow(form.get());
    const QRgb inactive = brightest(caption);
    EXPECT_NEAR(qRed(inactive), 0x95, 12);
    EXPECT_NEAR(qGreen(inactive), 0xA5, 12);
    EXPECT_NEAR(qBlue(inactive), 0xB5, 12);

    // The glyphs of the two buttons it does not offer are drawn at 60 %:
    // against the same glyph enabled, over the title bar's background.
    for (QAbstractButton* dimmed :
         {editor->Frame->MinimizeButton(), editor->Frame->MaximizeButton()}) {
      const QRect place = dimmed->geometry();
      const int background = qGreen(brightest(QRect(place.topLeft(), QSize(1, 1))));
      const int shown = qGreen(brightest(place));
      dimmed->setEnabled(true);
      const int full = qGreen(brightest(place));
      dimmed->setEnabled(false);
      EXPECT_NEAR(shown - background, 0.6 * (full - background), 12)
          << dimmed->accessibleName().toStdString();
    }
    EXPECT_TRUE(editor->Frame->CloseButton()->isEnabled());
  });
}

TEST_F(EditorTest, ItsFrameMovesResizesAndClosesIt) {
  Open({"/a,A"});
  WhileOpen(
      [&] {
        auto* frame = static_cast<QWidget*>(editor->Frame);
        const QRect start = editor->geometry();
        struct Drag {
          QPoint press;  // in the dialog
          QPoint by;
          QRect after;  // relative to the start
        };
        const std::vector<Drag> drags = {
            {{100, 10}, {15, -7}, start.translated(15, -7)},           // the title bar
            {{389, 150}, {30, 40}, start.adjusted(0, 0, 30, 0)},       // the right border
            {{100, 310}, {30, 25}, start.adjusted(0, 0, 0, 25)},       // the bottom border
            {{2, 150}, {-20, 0}, start.adjusted(-20, 0, 0, 0)},        // the left border
            {{389, 311}, {-50, -40}, start.adjusted(0, 0, -50, -40)},  // the corner
            {{100, 150}, {40, 40}, start},                             // the client area
        };
        for (const Drag& d : drags) {
          editor->setGeometry(start);
          const QPoint global = editor->mapToGlobal(d.press);
          QCursor::setPos(global);
          QWidget* hit = editor->childAt(d.press);
          ASSERT_NE(hit, nullptr);
          QTest::mousePress(hit, Qt::LeftButton, {}, hit->mapFrom(editor.get(), d.press));
          QCursor::setPos(global + d.by);
          QTest::mouseMove(frame, frame->mapFromGlobal(global + d.by));
          QTest::mouseRelease(frame, Qt::LeftButton, {}, frame->mapFromGlobal(global + d.by));
          EXPECT_EQ(editor->geometry(), d.after) << d.press.x() << "," << d.press.y();
        }
        editor->setGeometry(start);
        editor->Edit1->setText("/b");
        editor->Edit2->setText("B");
        editor->AddBtn->click();
      },
      [&] { editor->Frame->CloseButton()->click(); });
  EXPECT_EQ(Lines(), (std::vector<std::string>{"/a,A", "/b,B"}));
}

TEST_F(EditorTest, TabCyclesThroughTheSixControlsBothWays) {
  Open({"/a,A"});
  WhileOpen([&] {
    const std::vector<QWidget*> forward = {editor->ListBox1, editor->DelBtn,    editor->Edit2,
                                           editor->AddBtn,   editor->SelectBtn, editor->Edit1};
    QApplication::setActiveWindow(editor.get());
    editor->ListBox1->setFocus();
    for (std::size_t i = 1; i <= forward.size(); ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      EXPECT_EQ(QApplication::focusWidget(), forward[i % forward.size()]) << "Tab " << i;
    }
    for (std::size_t i = 1; i <= forward.size(); ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
      EXPECT_EQ(QApplication::focusWidget(), forward[(forward.size() - i) % forward.size()])
          << "Shift+Tab " << i;
    }
    // The list got the focus from the keyboard, yet no entry became current.
    EXPECT_EQ(editor->ListBox1->currentRow(), -1);
  });
}

TEST_F(EditorTest, EscLeavesItOpenAndEveryWayOfClosingCommits) {
  const std::vector<std::pair<const char*, std::function<void(TForm2&)>>> closes = {
      {"close box", [](TForm2& e) { e.close(); }},
      {"window system's close", [](TForm2& e) { e.windowHandle()->close(); }},
  };
  for (const auto& [how, close] : closes) {
    SCOPED_TRACE(how);
    Open({"/a,A"});
    WhileOpen(
        [&] {
          QApplication::setActiveWindow(editor.get());
          for (QWidget* target :
               {static_cast<QWidget*>(editor->ListBox1), static_cast<QWidget*>(editor->Edit1),
                static_cast<QWidget*>(editor->AddBtn)}) {
            target->setFocus();
            QTest::keyClick(target, Qt::Key_Escape);
            EXPECT_TRUE(editor->isVisible());
          }
          editor->Edit1->setText("/b");
          editor->Edit2->setText("B");
          editor->AddBtn->click();
        },
        [&, close = close] { close(*editor); });
    EXPECT_EQ(Lines(), (std::vector<std::string>{"/a,A", "/b,B"}));
    TearDown();
  }
}

TEST_F(EditorTest, AnEmptyAliasIsRefusedAndABlankOneKept) {
  struct Case {
    QString path, alias;
    std::vector<std::string> after;  // the list after AddBtn
    bool refused;
  };
  const std::vector<Case> cases = {
      {"/x", "", {"/a,A"}, true},
      {"", "", {"/a,A"}, true},
      {"/x", "  ", {"/a,A", "/x,  "}, false},
      {"", "Only", {"/a,A", ",Only"}, false},
      {" /x, y ", " z ", {"/a,A", " /x, y , z "}, false},
      {"/a", "A", {"/a,A", "/a,A"}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path.toStdString() + "|" + c.alias.toStdString());
    Open({"/a,A"});
    WhileOpen([&] {
      editor->Edit1->setText(c.path);
      editor->Edit2->setText(c.alias);
      BoxCatcher boxes;
      editor->AddBtn->click();
      ASSERT_EQ(boxes.seen.size(), c.refused ? 1u : 0u);
      if (c.refused) {
        EXPECT_EQ(boxes.seen[0].text, "別名を入れてください");
        EXPECT_EQ(boxes.seen[0].title, "Dropwell");
        EXPECT_EQ(boxes.seen[0].icon, QMessageBox::NoIcon);
        EXPECT_EQ(boxes.seen[0].parent, editor.get());
      }
      EXPECT_EQ(Items(), c.after);
      // Nothing is selected or cleared by adding.
      EXPECT_EQ(editor->ListBox1->currentRow(), -1);
      EXPECT_TRUE(editor->ListBox1->selectedItems().isEmpty());
      EXPECT_EQ(editor->Edit1->text(), c.path);
      EXPECT_EQ(editor->Edit2->text(), c.alias);
    });
    EXPECT_EQ(Lines(), c.after);
    TearDown();
  }
}

TEST_F(EditorTest, ThePickersAnswerFillsPathAndAliasACancelChangesNothing) {
  struct Case {
    std::optional<QString> answer;
    QString path, alias;  // the fields afterwards
  };
  const std::vector<Case> cases = {
      {QString("/home/u/My Docs"), "/home/u/My Docs", "My Docs"},
      {QString("/"), "/", ""},
      {QString("/srv"), "/srv", "srv"},
      {std::nullopt, "typed path", "typed alias"},
  };
  Open({});
  for (const Case& c : cases) {
    std::vector<std::pair<QString, QString>> asked;
    editor->PickFolder = [&](QWidget* owner, const QString& title, const QString& start) {
      EXPECT_EQ(owner, editor.get());
      asked.emplace_back(title, start);
      return c.answer;
    };
    WhileOpen([&] {
      editor->Edit1->setText("typed path");
      editor->Edit2->setText("typed alias");
      editor->SelectBtn->click();
    });
    // No "C:\wbin" here: the picker starts at its default place.
    EXPECT_EQ(asked, (std::vector<std::pair<QString, QString>>{{"Select", ""}}));
    EXPECT_EQ(editor->Edit1->text(), c.path);
    EXPECT_EQ(editor->Edit2->text(), c.alias);
  }
  // A root leaves the alias empty, so adding it is refused until one is typed.
  editor->PickFolder = [](QWidget*, const QString&, const QString&) {
    return std::optional<QString>("/");
  };
  WhileOpen([&] {
    editor->SelectBtn->click();
    BoxCatcher boxes;
    editor->AddBtn->click();
    EXPECT_EQ(boxes.seen.size(), 1u);
  });
  EXPECT_TRUE(form->FolderList->lines.empty());
}

TEST_F(EditorTest, DeleteRemovesTheCurrentItemAndASecondPressNothing) {
  Open({"/a,A", "/b,B", "/c,C"});
  WhileOpen([&] {
    BoxCatcher boxes;
    editor->DelBtn->click();  // nothing current right after opening
    EXPECT_EQ(Items(), (std::vector<std::string>{"/a,A", "/b,B", "/c,C"}));
    editor->ListBox1->setCurrentRow(1);
    editor->DelBtn->click();
    EXPECT_EQ(Items(), (std::vector<std::string>{"/a,A", "/c,C"}));
    EXPECT_EQ(editor->ListBox1->currentRow(), -1);
    EXPECT_TRUE(editor->ListBox1->selectedItems().isEmpty());
    editor->DelBtn->click();
    EXPECT_EQ(Items(), (std::vector<std::string>{"/a,A", "/c,C"}));
    editor->ListBox1->setCurrentRow(1);
    editor->DelBtn->click();
    editor->ListBox1->setCurrentRow(0);
    editor->DelBtn->click();
    EXPECT_TRUE(Items().empty());
    editor->DelBtn->click();  // an empty list
    EXPECT_TRUE(boxes.seen.empty());
  });
  EXPECT_TRUE(form->FolderList->lines.empty());
}

TEST_F(EditorTest, AfterClosingTheComboHasNoSelectionAndDropsStillGoToThePreviousFolder) {
  const std::string before = MakeFolder("before");
  const std::string other = MakeFolder("other");
  Open({before + ",Before", other + ",Other"});
  form->ComboBox1->setCurrentIndex(0);
  ASSERT_EQ(TForm1Probe::TagDir(*form), U(before));

  WhileOpen([&] {
    editor->ListBox1->setCurrentRow(0);
    editor->DelBtn->click();
    editor->Edit1->setText("/new");
    editor->Edit2->setText("New");
    editor->AddBtn->click();
  });
  EXPECT_EQ(Lines(), (std::vector<std::string>{other + ",Other", "/new,New"}));
  EXPECT_EQ(form->ComboBox1->count(), 2);
  EXPECT_EQ(form->ComboBox1->itemText(0), "Other");
  EXPECT_EQ(form->ComboBox1->currentIndex(), -1);
  EXPECT_EQ(TForm1Probe::TagDir(*form), U(before));
  EXPECT_EQ(form->ComboBox1->toolTip().toStdString(), before);
  EXPECT_TRUE(form->DropTarget1->isEnabled());

  // A drop now still lands in the folder chosen before.
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString((dir / "f.txt").string()))});
  DragOnto(*form, data);
  ASSERT_EQ(platform.shellCalls.size(), 1u);
  EXPECT_EQ(platform.shellCalls[0].destination, U(before));
}

TEST_F(EditorTest, EveryOpeningRebuildsTheListAndTheFieldsKeepTheirTexts) {
  Open({"/a,A", "no comma", "", "/b,B"});
  WhileOpen([&] {
    EXPECT_EQ(Items(), (std::vector<std::string>{"/a,A", "no comma", "", "/b,B"}));
    EXPECT_EQ(editor->ListBox1->currentRow(), -1);
    editor->ListBox1->setCurrentRow(3);
    editor->Edit1->setText("left");
    editor->Edit2->setText("unadded");
  });
  // Unchanged lines go back line for line, blank and short ones included.
  EXPECT_EQ(Lines(), (std::vector<std::string>{"/a,A", "no comma", "", "/b,B"}));
  form->FolderList->lines.pop_back();
  WhileOpen([&] {
    EXPECT_EQ(Items(), (std::vector<std::string>{"/a,A", "no comma", ""}));
    EXPECT_EQ(editor->ListBox1->currentRow(), -1);
    EXPECT_TRUE(editor->ListBox1->selectedItems().isEmpty());
    EXPECT_EQ(editor->Edit1->text(), "left");
    EXPECT_EQ(editor->Edit2->text(), "unadded");
  });
  EXPECT_EQ(Lines(), (std::vector<std::string>{"/a,A", "no comma", ""}));
}

TEST_F(EditorTest, EnterPressesAButtonOnlyWhenItHasTheFocus) {
  Open({});
  WhileOpen([&] {
    QApplication::setActiveWindow(editor.get());
    editor->Edit2->setText("Alias");
    for (QWidget* field : {editor->Edit1, editor->Edit2}) {
      field->setFocus();
      QTest::keyClick(field, Qt::Key_Return);
      QTest::keyClick(field, Qt::Key_Enter, Qt::KeypadModifier);
    }
    editor->ListBox1->setFocus();
    QTest::keyClick(editor->ListBox1, Qt::Key_Return);
    EXPECT_TRUE(Items().empty());
    EXPECT_TRUE(editor->isVisible());

    editor->AddBtn->setFocus();
    QTest::keyClick(editor->AddBtn, Qt::Key_Return);
    QTest::keyClick(editor->AddBtn, Qt::Key_Space);
    EXPECT_EQ(Items(), (std::vector<std::string>{",Alias", ",Alias"}));
  });
}

TEST_F(EditorTest, FieldsAreAnnouncedByTheirLabelsAndButtonsByTheirTexts) {
  Open({"/a,A"});
  WhileOpen([&] {
    const std::vector<std::pair<QObject*, QString>> names = {
        {editor->Edit1, "ファオルダーパス"},
        {editor->Edit2, "別名"},
        {editor->SelectBtn, "フォルダー選択"},
        {editor->AddBtn, "追加"},
        {editor->DelBtn, "削除"},
    };
    for (const auto& [object, name] : names) {
      QAccessibleInterface* face = QAccessible::queryAccessibleInterface(object);
      ASSERT_NE(face, nullptr);
      EXPECT_EQ(face->text(QAccessible::Name), name) << object->objectName().toStdString();
    }
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(editor->ListBox1);
    ASSERT_NE(list, nullptr);
    ASSERT_GE(list->childCount(), 1);
    bool found = false;
    for (int i = 0; i < list->childCount(); ++i) {
      found = found || list->child(i)->text(QAccessible::Name) == "/a,A";
    }
    EXPECT_TRUE(found);
  });
}

TEST_F(EditorTest, TheFirstShowingIsCentredLaterOnesReuseTheLastPlace) {
  Open({});
  const QRect screen = form->screen()->geometry();
  QRect first;
  WhileOpen([&] {
    EXPECT_EQ(editor->size(), QSize(390, 313));
    first = editor->frameGeometry();
    editor->setGeometry(30, 40, 300, 250);
  });
  EXPECT_LE(std::abs(first.center().x() - screen.center().x()), 1);
  EXPECT_LE(std::abs(first.center().y() - screen.center().y()), 1);
  WhileOpen([&] { EXPECT_EQ(editor->geometry(), QRect(30, 40, 300, 250)); });
}

}  // namespace
}  // namespace dw::test
