// The drop window: the program's main window. It holds the folder list and
// the target folder, takes dropped files and offers the tool bar.
#pragma once

#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "store/FolderListFile.h"

class QRadioButton;
class QToolButton;

namespace dw {
class Platform;
namespace gui {
class FileDropTarget;
class ListComboBox;
class ScaledLayout;
}  // namespace gui
}  // namespace dw

class TForm1 : public QWidget {
  Q_OBJECT

 public:
  // Builds the window and its controls, then runs FormCreate; the global
  // Form1 already points here while it runs.
  explicit TForm1(dw::Platform& platform);
  ~TForm1() override;

  // Controls, laid out in 167 x 133 reference units inside ScaledLayout1.
  dw::gui::ScaledLayout* ScaledLayout1 = nullptr;
  dw::gui::FileDropTarget* DropTarget1 = nullptr;
  QRadioButton* CopyRb = nullptr;
  QRadioButton* MoveRb = nullptr;
  dw::gui::ListComboBox* ComboBox1 = nullptr;
  QWidget* ToolBar1 = nullptr;
  QToolButton* SettingBtn = nullptr;
  QToolButton* OpenBtn = nullptr;
  QToolButton* ReSizeBtn = nullptr;
  QToolButton* TopBtn = nullptr;
  QToolButton* CloseBtn = nullptr;

  // Refills ComboBox1 from FolderList, leaving it without a selection.
  void SetFolderComb();

  // Event handlers.
  void FormCreate();
  void ComboBox1Change();
  void SettingBtnClick();
  void CloseBtnClick();
  void OpenBtnClick();
  void TopBtnClick();
  Qt::DropAction DropTarget1DragOver();
  void DropTarget1Dropped(const std::vector<std::u16string>& paths);

 private:
  std::unique_ptr<std::vector<std::u16string>> CopyList;
  std::u16string HomePath;
  std::u16string TagDir;

 public:
  std::unique_ptr<dw::FolderList> FolderList;
  std::u16string FilePath;

 private:
  void BuildControls();
  // Copies or moves through the shell; true means failure.
  bool FileOperation(void* ownerWindow, const std::vector<std::u16string>& list,
                     const std::u16string& destination, bool copy);
  void LoadSetting();
  void SaveSetting();
  std::u16string SettingsPath() const { return HomePath + u"Dropwell.ini"; }
  // The form style: stay on top or the normal window order.
  void ApplyStayOnTop(bool onTop);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  dw::Platform& platform_;
  // For each item of ComboBox1, the FolderList line that produced it, so that
  // lines without an item never shift the choice onto another entry.
  std::vector<std::size_t> itemLines_;

  friend class TForm1Probe;  // tests read the private state
};

extern TForm1* Form1;
