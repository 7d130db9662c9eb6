// The folder list editor: a modal dialog, created hidden at start-up and kept
// for the whole run. It works on a copy of the drop window's folder list and
// hands the copy back on every close.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace dw {
class Platform;
namespace gui {
class ReorderListBox;
}
namespace theme {
class DialogFrame;
}
}  // namespace dw

class TForm2 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm2(dw::Platform& platform, QWidget* parent = nullptr);
  ~TForm2() override;

  // Controls, laid out at the designed client size of 378 x 278; made the
  // first time the dialog is shown.
  dw::gui::ReorderListBox* ListBox1 = nullptr;
  QPushButton* SelectBtn = nullptr;
  QLineEdit* Edit1 = nullptr;
  QLineEdit* Edit2 = nullptr;
  QPushButton* AddBtn = nullptr;
  QPushButton* DelBtn = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QWidget* Layout1 = nullptr;
  QWidget* Layout2 = nullptr;
  QWidget* Layout3 = nullptr;
  QLabel* Label3 = nullptr;
  // The theme's frame: title bar, window buttons, borders, background.
  dw::theme::DialogFrame* Frame = nullptr;

  // Event handlers.
  void AddBtnClick();
  void DelBtnClick();
  void FormClose();
  void FormShow();
  void SelectBtnClick();

  // The folder picker (owner, title, start folder; empty start: the
  // platform's default place). Tests put their own here.
  std::function<std::optional<QString>(QWidget*, const QString&, const QString&)> PickFolder;

  void setVisible(bool visible) override;
  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void BuildControls();
  void LayOut();
  // Centres the dialog on the desktop of the drop window's screen.
  void CentreOnDesktop();

  dw::Platform& platform_;
  bool placed_ = false;
};

extern TForm2* Form2;
