// The drop window: the program's main window. It holds the folder list and
// the target folder, takes dropped files and offers the tool bar.
#pragma once

#include <QPointF>
#include <QSizeF>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "store/FolderListFile.h"

class QMouseEvent;
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
  // A press on the window's bare surface, or on the tool bar outside its
  // buttons: any button moves the window, or resizes it while ReSizeBtn is
  // pressed. The press's button, keys and position are not used.
  void FormMouseDown(QObject* sender, const QMouseEvent& press);
  void ToolBar1MouseDown(QObject* sender, const QMouseEvent& press);
  Qt::DropAction DropTarget1DragOver();
  void DropTarget1Dropped(const std::vector<std::u16string>& paths);

  // The interactive move and resize started by a press: the window follows
  // the pointer until any button is released (resize from the bottom-right).
  void StartWindowDrag();
  void StartWindowResize();

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
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  enum class PressOwner { Form, ToolBar, Control };
  // Who takes a press at a point of ScaledLayout1's viewport.
  PressOwner PressOwnerAt(QPoint viewPoint) const;
  // The system cursor in client coordinates of the window where it is now.
  QPointF ClientCursor() const;
  void MouseModeMove();
  void EndMouseMode();

  enum class MouseMode { Idle, Moving, Resizing };
  MouseMode mouseMode_ = MouseMode::Idle;
  QPointF pressPoint_;  // moving
  QSizeF runningSize_;  // resizing
  QPointF lastPoint_;   // resizing
  bool resizeCursorSet_ = false;
  QPoint readPosition_;  // as the settings file gave it
  // The system cursor's position on the screen; tests give fractions here,
  // which the system cursor of this toolkit never has.
  std::function<QPointF()> cursorPos_;

  dw::Platform& platform_;
  // For each item of ComboBox1, the FolderList line that produced it, so that
  // lines without an item never shift the choice onto another entry.
  std::vector<std::size_t> itemLines_;
  // Whether the last drop moved every item it was asked to move.
  bool movedAll_ = false;

  friend class TForm1Probe;  // tests read the private state
};

extern TForm1* Form1;
