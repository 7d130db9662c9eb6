// The close button: both files written every time, then the end; a failed
// write is reported and leaves the window open for another try.
#include <QApplication>
#include <QComboBox>
#include <QToolButton>

#include "AppTestSupport.h"
#include "platform/Errors.h"
#include "platform/Utf.h"

namespace dw::test {
namespace {

class CloseTest : public AppTest {
 protected:
  std::u16string Ini() { return dir.U16("Dropwell.ini"); }
};

TEST_F(CloseTest, WritesListAndSettingsInOrderAndEnds) {
  const std::string a = MakeFolder("a");
  const std::string bytes =
      "\xEF\xBB\xBF"
      "\r\n" +
      a + ",A\r\nshort\r\n" + a + ",Again\r\n";
  WriteBytes(dir / "Dropwell.txt", bytes);
  platform.SetProfile(u"Select", u"Folder", u"1");
  StartShown();
  form->setGeometry(40, -7, 180, 120);
  form->TopBtn->click();
  const int flushesBefore = platform.flushes;

  BoxCatcher boxes;
  form->CloseBtn->click();
  EXPECT_TRUE(boxes.seen.empty());
  EXPECT_EQ(ReadBytes(dir / "Dropwell.txt"), bytes);
  const std::vector<std::u16string> order = {u"Form.Top=-7",    u"Form.Left=40",
                                             u"Form.Width=180", u"Form.Height=120",
                                             u"Form.StayTop=1", u"Select.Folder=1"};
  EXPECT_EQ(platform.writeLog, order);
  EXPECT_EQ(platform.flushes, flushesBefore + 1);
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(form->FolderList, nullptr);
  EXPECT_EQ(TForm1Probe::CopyList(*form), nullptr);
}

TEST_F(CloseTest, CreatesTheListFileWhenThereWasNone) {
  StartShown();
  form->CloseBtn->click();
  EXPECT_TRUE(std::filesystem::is_regular_file(dir / "Dropwell.txt"));
  EXPECT_EQ(platform.ProfileRead(u"Select", u"Folder", u"?", Ini()), u"-1");
  EXPECT_EQ(platform.ProfileRead(u"Form", u"StayTop", u"?", Ini()), u"0");
  EXPECT_FALSE(form->isVisible());
}

TEST_F(CloseTest, FailedListWriteIsReportedAndWindowStaysOpen) {
  std::filesystem::create_directory(dir / "Dropwell.txt");
  StartShown();
  const std::u16string path = dir.U16("Dropwell.txt");
  for (int press = 1; press <= 2; ++press) {
    BoxCatcher boxes;
    form->CloseBtn->click();
    ASSERT_EQ(boxes.seen.size(), 1u) << "press " << press;
    EXPECT_EQ(boxes.seen[0].title, QStringLiteral("エラー"));
    EXPECT_EQ(boxes.seen[0].icon, QMessageBox::Critical);
    EXPECT_EQ(boxes.seen[0].text,
              QString::fromStdU16String(EFCreateError(path, u"Is a directory").Message()) + ".");
    EXPECT_EQ(platform.wholeFileWrites, press);
    EXPECT_EQ(platform.profileWrites, 0) << "settings not written after a failed list";
    EXPECT_TRUE(form->isVisible());
    ASSERT_NE(form->FolderList, nullptr);
    EXPECT_NE(TForm1Probe::CopyList(*form), nullptr);
  }
}

TEST_F(CloseTest, RefusedSettingsWriteIsReportedAfterTheListWasWritten) {
  const std::string a = MakeFolder("a");
  WriteList({a + ",A"});
  std::filesystem::create_directory(dir / "Dropwell.ini");
  StartShown();
  std::filesystem::remove(dir / "Dropwell.txt");
  const int flushesBefore = platform.flushes;

  for (int press = 1; press <= 2; ++press) {
    BoxCatcher boxes;
    form->CloseBtn->click();
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].title, QStringLiteral("エラー"));
    EXPECT_EQ(boxes.seen[0].text, QString::fromStdU16String(TForm1Probe::HomePath(*form)) +
                                      QStringLiteral("Dropwell.ini に書き込めません."));
    EXPECT_TRUE(std::filesystem::is_regular_file(dir / "Dropwell.txt"));
    // The first refused key stops the writes; the flush still follows.
    EXPECT_EQ(platform.profileWrites, press);
    EXPECT_EQ(platform.flushes, flushesBefore + press);
    EXPECT_TRUE(form->isVisible());
    EXPECT_NE(form->FolderList, nullptr);
    std::filesystem::remove(dir / "Dropwell.txt");
  }
}

TEST_F(CloseTest, SystemCloseWritesNothing) {
  const std::string a = MakeFolder("a");
  WriteList({a + ",A"});
  const std::string before = ReadBytes(dir / "Dropwell.txt");
  StartShown();
  form->FolderList->lines.push_back(u"x,Y");
  form->close();
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(ReadBytes(dir / "Dropwell.txt"), before);
  EXPECT_EQ(platform.wholeFileWrites + platform.profileWrites, 0);
}

}  // namespace
}  // namespace dw::test
