// Drops onto the drop target through the scaled view, as the window system
// delivers them: enter, move and drop events at the view's viewport.
#include <QApplication>
#include <QComboBox>
#include <QMimeData>
#include <QRadioButton>
#include <QToolButton>
#include <QUrl>

#include "AppTestSupport.h"
#include "platform/Utf.h"
#include "platform/gui/FileDropTarget.h"
#include "platform/gui/ScaledLayout.h"

namespace dw::test {
namespace {

class DropTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    target = MakeFolder("target dir");
    WriteList({target + ",Target"});
    StartShown(334, 133);
  }

  static QMimeData* Files(const std::vector<std::string>& paths) {
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const auto& p : paths) urls.push_back(QUrl::fromLocalFile(QString::fromStdString(p)));
    data->setUrls(urls);
    return data;
  }

  // Enter, move and (optionally) drop, at the drop target unless told.
  DragOutcome Drag(const QMimeData& data, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                   bool release = true, QPointF at = kDropTargetCentre) {
    return DragOnto(*form, data, modifiers, release, at);
  }

  std::string target;
};

TEST_F(DropTest, OffersTheRadioChoiceWhateverTheModifiersAndContent) {
  std::unique_ptr<QMimeData> files(Files({"/tmp/x"}));
  QMimeData text;
  text.setText(QStringLiteral("just text"));
  const Qt::KeyboardModifiers modifiers[] = {Qt::NoModifier, Qt::ControlModifier, Qt::ShiftModifier,
                                             Qt::ControlModifier | Qt::ShiftModifier};
  for (bool copy : {true, false}) {
    (copy ? form->CopyRb : form->MoveRb)->setChecked(true);
    for (const QMimeData* data :
         {static_cast<const QMimeData*>(files.get()), static_cast<const QMimeData*>(&text)}) {
      for (auto mods : modifiers) {
        const DragOutcome out = Drag(*data, mods, false);
        EXPECT_TRUE(out.moveAccepted);
        EXPECT_EQ(out.moveAction, copy ? Qt::CopyAction : Qt::MoveAction)
            << "copy=" << copy << " modifiers=" << mods.toInt();
      }
    }
  }
  EXPECT_TRUE(platform.shellCalls.empty());
}

TEST_F(DropTest, DropHandsThePathsInOrderWithTheChoiceAtRelease) {
  std::unique_ptr<QMimeData> data(Files({"/src/b file", "/src/a", "/src/c dir"}));
  DragOutcome out = Drag(*data);
  EXPECT_TRUE(out.dropAccepted);
  EXPECT_EQ(out.dropAction, Qt::CopyAction);
  ASSERT_EQ(platform.shellCalls.size(), 1u);
  EXPECT_TRUE(platform.shellCalls[0].copy);
  EXPECT_EQ(platform.shellCalls[0].sources,
            (std::vector<std::u16string>{u"/src/b file", u"/src/a", u"/src/c dir"}));
  EXPECT_EQ(platform.shellCalls[0].destination, U(target));
  EXPECT_EQ(*TForm1Probe::CopyList(*form), platform.shellCalls[0].sources);

  // Switching to Move between two drops makes the second one a move, and the
  // drag source is told so.
  form->MoveRb->setChecked(true);
  std::unique_ptr<QMimeData> second(Files({"/src/z"}));
  out = Drag(*second);
  EXPECT_EQ(out.dropAction, Qt::MoveAction);
  ASSERT_EQ(platform.shellCalls.size(), 2u);
  EXPECT_FALSE(platform.shellCalls[1].copy);
  EXPECT_EQ(platform.shellCalls[1].sources, std::vector<std::u16string>{u"/src/z"});
  EXPECT_EQ(*TForm1Probe::CopyList(*form), std::vector<std::u16string>{u"/src/z"});
}

TEST_F(DropTest, TextOnlyDropCallsTheShellWithNoSources) {
  QMimeData text;
  text.setText(QStringLiteral("/not/a/url"));
  const DragOutcome out = Drag(text);
  EXPECT_TRUE(out.dropAccepted);
  ASSERT_EQ(platform.shellCalls.size(), 1u);
  EXPECT_TRUE(platform.shellCalls[0].sources.empty());
}

TEST_F(DropTest, MissingTargetFolderDoesNothingSilently) {
  std::unique_ptr<QMimeData> data(Files({"/src/a"}));
  Drag(*data);  // fills CopyList
  std::filesystem::remove_all(target);
  BoxCatcher boxes;
  const DragOutcome out = Drag(*data);
  EXPECT_TRUE(out.moveAccepted) << "still offered while enabled";
  EXPECT_EQ(platform.shellCalls.size(), 1u);
  EXPECT_TRUE(TForm1Probe::CopyList(*form)->empty());
  EXPECT_TRUE(boxes.seen.empty());
}

TEST_F(DropTest, NothingChosenDoesNothing) {
  form->FolderList->lines.clear();
  form.reset();
  editor.reset();
  std::filesystem::remove(dir / "Dropwell.txt");
  StartShown(150, 140);
  ASSERT_TRUE(TForm1Probe::TagDir(*form).empty());
  std::unique_ptr<QMimeData> data(Files({"/src/a"}));
  const DragOutcome out = Drag(*data);
  EXPECT_TRUE(out.moveAccepted);
  EXPECT_TRUE(platform.shellCalls.empty());
}

TEST_F(DropTest, DisabledTargetRefusesDragAndDrop) {
  form->DropTarget1->setEnabled(false);
  std::unique_ptr<QMimeData> data(Files({"/src/a"}));
  const DragOutcome out = Drag(*data);
  EXPECT_FALSE(out.moveAccepted);
  EXPECT_FALSE(out.dropAccepted);
  EXPECT_TRUE(platform.shellCalls.empty());
  EXPECT_FALSE(form->DropTarget1->IsDraggedOver());
}

TEST_F(DropTest, NoOtherControlTakesDrags) {
  std::unique_ptr<QMimeData> data(Files({"/src/a"}));
  const QPointF elsewhere[] = {{80 + 28, 76 + 9}, {8 + 20, 32 + 10}, {150, 60}, {10, 10}};
  for (QPointF at : elsewhere) {
    const DragOutcome out = Drag(*data, Qt::NoModifier, true, at);
    EXPECT_FALSE(out.moveAccepted) << at.x() << "," << at.y();
    EXPECT_FALSE(out.dropAccepted) << at.x() << "," << at.y();
  }
  EXPECT_TRUE(platform.shellCalls.empty());
}

TEST_F(DropTest, FailureIsReportedOnErrorCodeOrAbort) {
  struct Case {
    ShellOpResult result;
    bool message;
  };
  const Case cases[] = {
      {{0, false}, false}, {{2, false}, true}, {{0, true}, true}, {{5, true}, true}};
  std::unique_ptr<QMimeData> data(Files({"/src/a"}));
  for (const Case& c : cases) {
    platform.shellResult = c.result;
    BoxCatcher boxes;
    Drag(*data);
    if (c.message) {
      ASSERT_EQ(boxes.seen.size(), 1u) << c.result.code << c.result.anyAborted;
      EXPECT_EQ(boxes.seen[0].text, QStringLiteral("失敗しました"));
      EXPECT_EQ(boxes.seen[0].title, QStringLiteral("Dropwell"));
    } else {
      EXPECT_TRUE(boxes.seen.empty());
    }
  }
}

TEST_F(DropTest, TheSourceHearsMoveOnlyWhenEveryItemWasMoved) {
  // A drag source may delete its originals after a Move; after a failed,
  // skipped or cancelled move, or a drop that did nothing, it hears Copy.
  struct Case {
    bool move;
    ShellOpResult result;
    bool targetThere;
    Qt::DropAction told;
  };
  const Case cases[] = {
      {true, {0, false}, true, Qt::MoveAction},  {true, {2, false}, true, Qt::CopyAction},
      {true, {0, true}, true, Qt::CopyAction},   {true, {0, false}, false, Qt::CopyAction},
      {false, {0, false}, true, Qt::CopyAction}, {false, {2, true}, true, Qt::CopyAction},
  };
  std::unique_ptr<QMimeData> data(Files({"/src/a"}));
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.move) + " " + std::to_string(c.result.code) + " " +
                 std::to_string(c.result.anyAborted) + " " + std::to_string(c.targetThere));
    if (!c.targetThere) std::filesystem::remove_all(target);
    (c.move ? form->MoveRb : form->CopyRb)->setChecked(true);
    platform.shellResult = c.result;
    BoxCatcher boxes;
    const DragOutcome out = Drag(*data);
    EXPECT_EQ(out.moveAction, c.move ? Qt::MoveAction : Qt::CopyAction);
    EXPECT_TRUE(out.dropAccepted);
    EXPECT_EQ(out.dropAction, c.told);
    std::filesystem::create_directories(target);
  }
}

TEST(DroppedPathsTest, NamesKeepEveryByteOfTheDrag) {
  // As a file manager sends them over XDND: percent-encoded bytes, one of
  // them not UTF-8. A stray byte must not turn into U+FFFD, or the name
  // would be another file's ("a\xEF\xBF\xBD.txt" here).
  QMimeData data;
  data.setUrls({QUrl::fromEncoded("file:///tmp/a%FF.txt"),
                QUrl::fromEncoded("file:///tmp/a%EF%BF%BD.txt"),
                QUrl::fromEncoded("file:///tmp/%E6%97%A5%20b%0Ac"), QUrl("https://example.org/x")});
  const auto paths = gui::FileDropTarget::DroppedPaths(&data);
  ASSERT_EQ(paths.size(), 3u);
  EXPECT_EQ(PathToBytes(paths[0]), "/tmp/a\xFF.txt");
  EXPECT_EQ(PathToBytes(paths[1]), "/tmp/a\xEF\xBF\xBD.txt");
  EXPECT_EQ(paths[2], u"/tmp/\u65E5 b\nc");
}

}  // namespace
}  // namespace dw::test
