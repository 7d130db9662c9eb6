// Start-up: the folder list and the settings read into the drop window, the
// application title, the fatal report, and ending the program.
#include <QApplication>
#include <QComboBox>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>

#include "AppTestSupport.h"
#include "app/Application.h"
#include "platform/Errors.h"
#include "platform/Utf.h"
#include "platform/gui/FileDropTarget.h"
#include "platform/gui/MessageBox.h"
#include "platform/gui/ScaledLayout.h"

namespace dw::test {
namespace {

const QString kMissing = QStringLiteral("ファオルダーがありません！");

std::vector<QString> Items(const QComboBox& combo) {
  std::vector<QString> items;
  for (int i = 0; i < combo.count(); ++i) items.push_back(combo.itemText(i));
  return items;
}

TEST_F(AppTest, NoFilesGivesEmptyComboDefaultsAndCopy) {
  BoxCatcher boxes;
  Start();
  EXPECT_TRUE(boxes.seen.empty());
  EXPECT_EQ(form->ComboBox1->count(), 0);
  EXPECT_EQ(form->ComboBox1->currentIndex(), -1);
  EXPECT_TRUE(TForm1Probe::TagDir(*form).empty());
  EXPECT_TRUE(form->DropTarget1->isEnabled());
  EXPECT_TRUE(form->CopyRb->isChecked());
  EXPECT_FALSE(form->MoveRb->isChecked());
  EXPECT_EQ(form->geometry(), QRect(100, 100, 150, 140));
  EXPECT_FALSE(form->TopBtn->isChecked());
  EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_EQ(TForm1Probe::HomePath(*form), dir.U16() + u"/");
  EXPECT_EQ(form->FilePath, dir.U16() + u"/Dropwell.txt");
  EXPECT_TRUE(form->FolderList->lines.empty());
  EXPECT_FALSE(std::filesystem::exists(dir / "Dropwell.txt"));
  EXPECT_EQ(platform.wholeFileWrites + platform.profileWrites, 0);
  EXPECT_EQ(platform.flushes, 1);
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(form->windowTitle(), QStringLiteral("Dropwell"));
  EXPECT_TRUE(form->windowFlags().testFlag(Qt::FramelessWindowHint));
}

// One start-up case: the folder list lines ("<A>", "<B>" stand for existing
// folders, "<GONE>" for a missing one), the remembered "Folder" if any, and
// what the window holds afterwards.
struct StartCase {
  const char* name;
  std::vector<std::string> lines;
  const char* folderSetting;  // nullptr: no settings file
  std::vector<const char*> items;
  int index;
  const char* tagDir;  // with the same placeholders; "" for none
  bool missingMessage;
};

void PrintTo(const StartCase& c, std::ostream* os) {
  *os << c.name;
}

class StartupTable : public AppTest, public ::testing::WithParamInterface<StartCase> {
 protected:
  std::string Expand(std::string text) {
    const std::pair<std::string, std::string> folders[] = {
        {"<A>", MakeFolder("alpha")},
        {"<B>", MakeFolder("my docs/sub folder")},
        {"<GONE>", (dir / "gone").string()}};
    for (const auto& [key, value] : folders) {
      for (auto at = text.find(key); at != std::string::npos; at = text.find(key)) {
        text.replace(at, key.size(), value);
      }
    }
    return text;
  }
};

TEST_P(StartupTable, SelectsAndReports) {
  const StartCase& c = GetParam();
  std::vector<std::string> lines;
  for (const auto& line : c.lines) lines.push_back(Expand(line));
  WriteList(lines);
  if (c.folderSetting != nullptr)
    platform.SetProfile(u"Select", u"Folder", FromUtf8(c.folderSetting));

  BoxCatcher boxes;
  Start();

  std::vector<QString> expectedItems;
  for (const char* item : c.items) expectedItems.push_back(QString::fromUtf8(item));
  EXPECT_EQ(Items(*form->ComboBox1), expectedItems);
  EXPECT_EQ(form->ComboBox1->currentIndex(), c.index);
  const std::u16string tagDir = FromUtf8(Expand(c.tagDir));
  EXPECT_EQ(TForm1Probe::TagDir(*form), tagDir);
  EXPECT_EQ(form->ComboBox1->toolTip(), QString::fromStdU16String(tagDir));
  if (c.missingMessage) {
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].text, kMissing);
    EXPECT_FALSE(boxes.seen[0].form1Visible) << "shown before the window";
    EXPECT_TRUE(boxes.seen[0].form1Set) << "Form1 valid inside FormCreate";
    EXPECT_FALSE(form->DropTarget1->isEnabled());
  } else {
    EXPECT_TRUE(boxes.seen.empty());
    EXPECT_TRUE(form->DropTarget1->isEnabled());
  }
  // The existence test ran on the whole path, once, when something was chosen.
  if (c.index >= 0)
    EXPECT_EQ(platform.folderTests, std::vector<std::u16string>{tagDir});
  else
    EXPECT_TRUE(platform.folderTests.empty());
  // Every line stays in the list, short ones included.
  EXPECT_EQ(form->FolderList->lines.size(), lines.size());

  // Shown afterwards, the window keeps the state.
  form->show();
  EXPECT_EQ(form->DropTarget1->isEnabled(), !c.missingMessage);
  EXPECT_EQ(form->ComboBox1->currentIndex(), c.index);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StartupTable,
    ::testing::Values(
        StartCase{"FirstItemWithoutSettings",
                  {"<A>,Alpha", "<B>,Beta"},
                  nullptr,
                  {"Alpha", "Beta"},
                  0,
                  "<A>",
                  false},
        StartCase{
            "RememberedSecond", {"<A>,Alpha", "<B>,Beta"}, "1", {"Alpha", "Beta"}, 1, "<B>", false},
        StartCase{"MissingFolderReportedBeforeShow",
                  {"<GONE>,Gone", "<A>,Alpha"},
                  nullptr,
                  {"Gone", "Alpha"},
                  0,
                  "<GONE>",
                  true},
        StartCase{"PathWithBlanksTakenWhole", {"<B>,My Docs"}, "0", {"My Docs"}, 0, "<B>", false},
        StartCase{"ThreeFieldsShowSecondUseFirst",
                  {"<A>,Alpha,third field"},
                  nullptr,
                  {"Alpha"},
                  0,
                  "<A>",
                  false},
        StartCase{"ShortAndEmptyLinesBeforeEntry",
                  {"", "no comma here", "<B>,Beta"},
                  "0",
                  {"Beta"},
                  0,
                  "<B>",
                  false},
        StartCase{"ShortLinesBetweenEntries",
                  {"<A>,Alpha", "", "<GONE>", "<B>,Beta"},
                  "1",
                  {"Alpha", "Beta"},
                  1,
                  "<B>",
                  false},
        StartCase{"FolderBeyondItemsSelectsNothing",
                  {"<A>,Alpha", "<B>,Beta"},
                  "2",
                  {"Alpha", "Beta"},
                  -1,
                  "",
                  false},
        StartCase{"NegativeFolderSelectsNothing", {"<A>,Alpha"}, "-3", {"Alpha"}, -1, "", false},
        StartCase{"UnreadableFolderGivesFirst",
                  {"<A>,Alpha", "<B>,Beta"},
                  "1x",
                  {"Alpha", "Beta"},
                  0,
                  "<A>",
                  false},
        StartCase{"EmptyListAndFolderZero", {}, "0", {}, -1, "", false}),
    [](const ::testing::TestParamInfo<StartCase>& c) { return std::string(c.param.name); });

TEST_F(AppTest, SettingsRestoreGeometryStayTopAndSelection) {
  WriteList({MakeFolder("a") + ",A", MakeFolder("b") + ",B"});
  platform.SetProfile(u"Form", u"Top", u"-20");
  platform.SetProfile(u"Form", u"Left", u"0x1E");
  platform.SetProfile(u"Form", u"Width", u"200");
  platform.SetProfile(u"Form", u"Height", u"90");
  platform.SetProfile(u"Form", u"StayTop", u"2");
  platform.SetProfile(u"Select", u"Folder", u"1");
  Start();
  EXPECT_EQ(form->geometry(), QRect(30, -20, 200, 90));
  EXPECT_TRUE(form->TopBtn->isChecked());
  EXPECT_TRUE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_EQ(form->ComboBox1->currentIndex(), 1);
  EXPECT_EQ(TForm1Probe::TagDir(*form), FromUtf8(MakeFolder("b")));
  EXPECT_EQ(platform.flushes, 1);
  // Shown, the content fills the window whatever its size.
  form->show();
  QApplication::processEvents();
  EXPECT_EQ(form->ScaledLayout1->geometry(), QRect(0, 0, 200, 90));
}

TEST_F(AppTest, StayTopOffGivesNormalOrder) {
  platform.SetProfile(u"Form", u"StayTop", u"true");
  Start();
  EXPECT_FALSE(form->TopBtn->isChecked());
  EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST_F(AppTest, TopButtonKeepsWindowShownWhileSwitchingOrder) {
  StartShown();
  const QRect before = form->geometry();
  form->TopBtn->click();
  EXPECT_TRUE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(form->isVisible());
  form->TopBtn->click();
  EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(form->geometry(), before);
}

TEST(ApplicationTitle, DerivedFromProgramFileName) {
  const std::pair<std::u16string, QString> cases[] = {
      {u"/opt/tools/Dropwell", QStringLiteral("Dropwell")},
      {u"/opt/tools/DROPWELL.exe", QStringLiteral("Dropwell")},
      {u"/x.y/drop.well.bin", QStringLiteral("drop")},
      {u"/x/dropWELL", QStringLiteral("dropwell")},
      {u"/x/DW", QStringLiteral("Dw")},
      {u"/x/z", QStringLiteral("z")},
  };
  for (const auto& [path, title] : cases) {
    EXPECT_EQ(gui::ApplicationTitle(path), title) << QString::fromStdU16String(path).toStdString();
  }
  EXPECT_EQ(gui::ModuleName(u"/opt/tools/Dropwell.bin"), QStringLiteral("Dropwell.bin"));
}

// The whole program run over the fake platform.
class RunTest : public AppTest {};

TEST_F(RunTest, FatalReportForUnreadableFolderList) {
  WriteList({"/a,A"});
  platform.readFailure = 13;
  BoxCatcher boxes;
  const int code = app::RunApplication(platform);
  EXPECT_EQ(code, 1);
  ASSERT_EQ(boxes.seen.size(), 1u);
  const SeenBox& box = boxes.seen[0];
  EXPECT_EQ(box.title, QStringLiteral("アプリケーションエラー"));
  EXPECT_EQ(box.icon, QMessageBox::Critical);
  EXPECT_EQ(box.parent, nullptr);
  EXPECT_EQ(box.buttons, 1);
  const std::u16string path = dir.U16("Dropwell.txt");
  const QString message =
      QString::fromStdU16String(EFOpenError(path, platform.ErrorText(13)).Message());
  EXPECT_TRUE(box.text.startsWith(QStringLiteral("EFOpenError がモジュール Dropwell の ")))
      << box.text.toStdString();
  EXPECT_TRUE(box.text.endsWith(QStringLiteral(" で発生しました。\n") + message + ".\n"))
      << box.text.toStdString();
  EXPECT_EQ(Form1, nullptr);
  EXPECT_EQ(Form2, nullptr);
  for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_FALSE(w->isVisible());
  EXPECT_EQ(platform.wholeFileWrites + platform.profileWrites, 0);
}

TEST_F(RunTest, FatalReportForUndecodableFolderList) {
  WriteBytes(dir / "Dropwell.txt", Hex("EF BB BF 41 2C FF 42 0D 0A"));
  BoxCatcher boxes;
  EXPECT_EQ(app::RunApplication(platform), 1);
  ASSERT_EQ(boxes.seen.size(), 1u);
  EXPECT_EQ(boxes.seen[0].title, QStringLiteral("アプリケーションエラー"));
  EXPECT_TRUE(
      boxes.seen[0].text.startsWith(QStringLiteral("EEncodingError がモジュール Dropwell の ")));
  EXPECT_TRUE(
      boxes.seen[0].text.endsWith(QString::fromStdU16String(EEncodingError().Message()) + ".\n"));
  EXPECT_EQ(Hex("EF BB BF 41 2C FF 42 0D 0A"), ReadBytes(dir / "Dropwell.txt"));
  EXPECT_EQ(platform.wholeFileWrites + platform.profileWrites, 0);
}

TEST_F(RunTest, ClosingTheWindowOtherwiseEndsWithoutWriting) {
  const std::string list = "\xEF\xBB\xBF" + MakeFolder("a") + ",A\r\n";
  WriteBytes(dir / "Dropwell.txt", list);
  platform.programPath = dir.U16("DROPWELL.run");
  bool checked = false;
  QTimer::singleShot(0, [&] {
    ASSERT_NE(Form1, nullptr);
    ASSERT_NE(Form2, nullptr);
    EXPECT_TRUE(Form1->isVisible());
    EXPECT_FALSE(Form2->isVisible());
    EXPECT_EQ(Form2->windowTitle(), QStringLiteral("フォルダー追加"));
    EXPECT_EQ(Form2->size(), QSize(390, 313));  // 378 x 278 inside its own frame
    EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("Dropwell"));
    checked = true;
    Form1->close();  // the system's close command, as Alt+F4 sends it
  });
  EXPECT_EQ(app::RunApplication(platform), 0);
  EXPECT_TRUE(checked);
  EXPECT_EQ(Form1, nullptr);
  EXPECT_EQ(platform.wholeFileWrites + platform.profileWrites, 0);
  EXPECT_EQ(ReadBytes(dir / "Dropwell.txt"), list);
}

}  // namespace
}  // namespace dw::test
