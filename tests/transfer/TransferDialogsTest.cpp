// The Qt dialogs of the transfer engine, answered the way a user would: a
// timer finds the modal dialog and clicks its button.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <memory>

#include "platform/gui/TransferDialogs.h"
#include "support/TestSupport.h"

namespace dw {
namespace {

namespace fs = std::filesystem;

struct Seen {
  bool answered = false;
  QString text;
  bool replaceEnabled = false;
  bool tryAgainShown = false;
  bool hasParent = true;
  Qt::WindowModality modality = Qt::NonModal;
};

// Waits for the modal dialog named dialogName, notes what it shows, ticks
// "for all" when asked and clicks the named button.
std::shared_ptr<Seen> AnswerModal(const QString& dialogName, const QString& buttonName,
                                  bool forAll = false) {
  auto seen = std::make_shared<Seen>();
  auto* timer = new QTimer;
  timer->setInterval(10);
  auto ticks = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, [=] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (!dialog || dialog->objectName() != dialogName) {
      if (++*ticks > 1000) {  // never came: fail rather than hang
        ADD_FAILURE() << "no dialog " << dialogName.toStdString();
        timer->deleteLater();
        timer->stop();
      }
      return;
    }
    timer->stop();
    timer->deleteLater();
    seen->answered = true;
    seen->text = dialog->findChild<QLabel*>("questionText")->text();
    seen->hasParent = dialog->parentWidget() != nullptr;
    seen->modality = dialog->windowModality();
    if (auto* replace = dialog->findChild<QPushButton*>("replaceButton"))
      seen->replaceEnabled = replace->isEnabled();
    if (auto* again = dialog->findChild<QPushButton*>("tryAgainButton"))
      seen->tryAgainShown = !again->isHidden();
    if (forAll) dialog->findChild<QCheckBox*>("forAll")->setChecked(true);
    auto* button = dialog->findChild<QPushButton*>(buttonName);
    ASSERT_NE(button, nullptr) << buttonName.toStdString();
    QTest::mouseClick(button, Qt::LeftButton);
  });
  timer->start();
  return seen;
}

QWidget* ProgressWindow() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == "transferProgress" && w->isVisible()) return w;
  return nullptr;
}

TEST(QtTransferUi, ConflictDialogGivesTheClickedAnswer) {
  struct Case {
    const char* button;
    bool forAll;
    ConflictChoice choice;
  };
  const Case cases[] = {
      {"replaceButton", false, ConflictChoice::Replace},
      {"skipButton", true, ConflictChoice::Skip},
      {"keepBothButton", true, ConflictChoice::KeepBoth},
      {"cancelButton", false, ConflictChoice::Cancel},
  };
  QtTransferUi ui;
  ui.Begin(true, u"/dst");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.button);
    auto seen = AnswerModal("transferConflict", c.button, c.forAll);
    const auto answer = ui.AskConflict({u"/src/報告.txt", u"/dst/報告.txt", false, false});
    EXPECT_TRUE(seen->answered);
    EXPECT_EQ(answer.choice, c.choice);
    EXPECT_EQ(answer.forAll, c.forAll);
    EXPECT_TRUE(seen->text.contains(QStringLiteral("\"報告.txt\""))) << seen->text.toStdString();
    EXPECT_TRUE(seen->replaceEnabled);
    EXPECT_FALSE(seen->hasParent);
    EXPECT_EQ(seen->modality, Qt::ApplicationModal);
  }
  ui.End();
}

TEST(QtTransferUi, ConflictBetweenFileAndFolderOffersNoReplace) {
  QtTransferUi ui;
  ui.Begin(true, u"/dst");
  auto seen = AnswerModal("transferConflict", "keepBothButton");
  EXPECT_EQ(ui.AskConflict({u"/src/n", u"/dst/n", false, true}).choice, ConflictChoice::KeepBoth);
  EXPECT_FALSE(seen->replaceEnabled);
  EXPECT_TRUE(seen->text.contains(QStringLiteral("a folder")));
  ui.End();
}

TEST(QtTransferUi, ErrorDialogGivesTheClickedAnswer) {
  struct Case {
    const char* button;
    bool canRetry;
    ErrorChoice choice;
  };
  const Case cases[] = {
      {"tryAgainButton", true, ErrorChoice::TryAgain},
      {"skipButton", true, ErrorChoice::Skip},
      {"cancelButton", false, ErrorChoice::Cancel},
  };
  QtTransferUi ui;
  ui.Begin(false, u"/dst");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.button);
    auto seen = AnswerModal("transferError", c.button);
    EXPECT_EQ(ui.AskError({u"/src/gone.txt", u"No such file or directory", ENOENT, c.canRetry}),
              c.choice);
    EXPECT_EQ(seen->tryAgainShown, c.canRetry);
    EXPECT_TRUE(seen->text.contains(QStringLiteral("/src/gone.txt")));
    EXPECT_TRUE(seen->text.contains(QStringLiteral("No such file or directory")));
    EXPECT_FALSE(seen->hasParent);
  }
  ui.End();
}

TEST(QtTransferUi, ProgressWindowWaitsForTheDelay) {
  QtTransferUi ui;
  ui.SetProgressDelay(3600 * 1000);
  ui.Begin(true, u"/dst");
  EXPECT_TRUE(ui.Progress({0, 3, 0, 100, u"a.txt"}));
  EXPECT_EQ(ProgressWindow(), nullptr);
  ui.End();
}

TEST(QtTransferUi, ProgressWindowShowsTheTransferAndCancels) {
  QtTransferUi ui;
  ui.SetProgressDelay(0);
  ui.Begin(true, u"/dst");
  EXPECT_TRUE(ui.Progress({1, 4, 2048, 4096, u"名前.bin"}));
  QWidget* window = ProgressWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->parentWidget(), nullptr);
  EXPECT_EQ(window->findChild<QLabel*>("currentName")->text(), QStringLiteral("名前.bin"));
  EXPECT_EQ(window->findChild<QLabel*>("counts")->text(),
            QStringLiteral("1 of 4 items, 2.0 KB of 4.0 KB"));

  QTest::mouseClick(window->findChild<QPushButton*>("cancelButton"), Qt::LeftButton);
  EXPECT_FALSE(ui.Progress({1, 4, 3000, 4096, u"名前.bin"}));
  ui.End();
  EXPECT_EQ(ProgressWindow(), nullptr);

  // A new transfer starts uncancelled.
  ui.Begin(true, u"/dst");
  EXPECT_TRUE(ui.Progress({0, 1, 0, 1, u"x"}));
  ui.End();
}

TEST(QtTransferUi, FormatsBytesLikeAFileManager) {
  EXPECT_EQ(QtTransferUi::FormatBytes(0), "0 bytes");
  EXPECT_EQ(QtTransferUi::FormatBytes(1023), "1023 bytes");
  EXPECT_EQ(QtTransferUi::FormatBytes(1536), "1.5 KB");
  EXPECT_EQ(QtTransferUi::FormatBytes(300ull << 20), "300 MB");
  EXPECT_EQ(QtTransferUi::FormatBytes(5ull << 30), "5.0 GB");
}

TEST(QtTransferUi, EngineAsksThroughTheRealDialog) {
  test::TempDir tmp;
  fs::create_directory(tmp / "src");
  fs::create_directory(tmp / "dst");
  test::WriteBytes(tmp / "src" / "a.txt", "new");
  test::WriteBytes(tmp / "dst" / "a.txt", "old");
  QtTransferUi ui;
  auto seen = AnswerModal("transferConflict", "keepBothButton");
  const auto r = RunTransfer(ui, true, {tmp.U16("src/a.txt")}, tmp.U16("dst"));
  EXPECT_TRUE(seen->answered);
  EXPECT_EQ(r.code, 0);
  EXPECT_FALSE(r.anyAborted);
  EXPECT_EQ(test::ReadBytes(tmp / "dst" / "a.txt"), "old");
  EXPECT_EQ(test::ReadBytes(tmp / "dst" / "a (2).txt"), "new");
}

}  // namespace
}  // namespace dw

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
