#include "editor/Unit2.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QWindow>
#include <algorithm>

#include "app/Unit1.h"
#include "platform/Platform.h"
#include "platform/gui/FolderPicker.h"
#include "platform/gui/MessageBox.h"
#include "platform/gui/ReorderListBox.h"
#include "theme/DialogFrame.h"

TForm2* Form2 = nullptr;

namespace {

constexpr int kDesignedWidth = 378;
constexpr int kDesignedHeight = 278;
constexpr int kTopHeight = 49;     // Layout2
constexpr int kMiddleHeight = 41;  // Layout3
constexpr int kSideWidth = 113;    // Layout1

const QString kAliasMissing = QStringLiteral("別名を入れてください");

// A push button that Enter presses too, but only while it has the focus: no
// button of this dialog is a default button.
class PushButton : public QPushButton {
 public:
  PushButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
    setAutoDefault(false);
    setDefault(false);
  }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
      click();
      event->accept();
      return;
    }
    QPushButton::keyPressEvent(event);
  }
};

QLabel* MakeLabel(const QString& text, QWidget* parent, QRect bounds) {
  auto* label = new QLabel(text, parent);
  label->setGeometry(bounds);
  return label;
}

}  // namespace

TForm2::TForm2(dw::Platform& platform, QWidget* parent)
    : QDialog(parent), PickFolder(dw::gui::PickFolder), platform_(platform) {
  Form2 = this;
  setWindowTitle(QStringLiteral("フォルダー追加"));
  // A sizeable dialog that offers only closing; the theme draws its frame.
  // Its controls are made when it is first shown, so that start-up does not
  // pay for them.
  setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
  resize(kDesignedWidth + 2 * dw::theme::DialogFrame::kBorder,
         kDesignedHeight + dw::theme::DialogFrame::kTitleHeight + dw::theme::DialogFrame::kBorder);
}

TForm2::~TForm2() {
  if (Form2 == this) Form2 = nullptr;
}

void TForm2::BuildControls() {
  // Created in stacking order, the frame (with the background) lowest:
  // within a container later controls lie above earlier ones (Edit1 covers
  // the right end of Label1).
  Frame = new dw::theme::DialogFrame(this);
  Layout2 = new QWidget(this);
  Layout2->setObjectName(QStringLiteral("Layout2"));
  Label1 = MakeLabel(QStringLiteral("ファオルダーパス"), Layout2, QRect(16, 16, 120, 17));
  Label1->setObjectName(QStringLiteral("Label1"));
  Edit1 = new QLineEdit(Layout2);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  SelectBtn = new PushButton(QStringLiteral("フォルダー選択"), Layout2);
  SelectBtn->setObjectName(QStringLiteral("SelectBtn"));

  Layout3 = new QWidget(this);
  Layout3->setObjectName(QStringLiteral("Layout3"));
  Edit2 = new QLineEdit(Layout3);
  Edit2->setObjectName(QStringLiteral("Edit2"));
  Label2 = MakeLabel(QStringLiteral("別名"), Layout3, QRect(24, 8, 65, 17));
  Label2->setObjectName(QStringLiteral("Label2"));
  AddBtn = new PushButton(QStringLiteral("追加"), Layout3);
  AddBtn->setObjectName(QStringLiteral("AddBtn"));

  Layout1 = new QWidget(this);
  Layout1->setObjectName(QStringLiteral("Layout1"));
  DelBtn = new PushButton(QStringLiteral("削除"), Layout1);
  DelBtn->setObjectName(QStringLiteral("DelBtn"));
  DelBtn->setGeometry(16, 96, 81, 22);
  Label3 = MakeLabel(QStringLiteral("Ver 1.0"), Layout1, QRect(16, 152, 73, 17));
  Label3->setObjectName(QStringLiteral("Label3"));

  ListBox1 = new dw::gui::ReorderListBox(this);
  ListBox1->setObjectName(QStringLiteral("ListBox1"));
  ListBox1->setAttribute(Qt::WA_MacShowFocusRect, false);

  // Label1 reaches under Edit1, whose body is transparent: only the part
  // left of the field shows.
  Label1->setMask(QRegion(0, 0, 104 - 16, 17));
  ListBox1->setFrameShape(QFrame::NoFrame);

  // Screen readers announce each field by its label.
  Label1->setBuddy(Edit1);
  Label2->setBuddy(Edit2);

  // The list, then the side, the alias row and the path row.
  setTabOrder(ListBox1, DelBtn);
  setTabOrder(DelBtn, Edit2);
  setTabOrder(Edit2, AddBtn);
  setTabOrder(AddBtn, SelectBtn);
  setTabOrder(SelectBtn, Edit1);

  using dw::gui::Guarded;
  connect(SelectBtn, &QPushButton::clicked, this, Guarded([this] { SelectBtnClick(); }));
  connect(AddBtn, &QPushButton::clicked, this, Guarded([this] { AddBtnClick(); }));
  connect(DelBtn, &QPushButton::clicked, this, Guarded([this] { DelBtnClick(); }));
}

void TForm2::LayOut() {
  // The containers follow the width; the fields grow with it and the two
  // buttons beside them keep their distance to the right edge.
  const QRect client = dw::theme::DialogFrame::ClientRect(size());
  const int width = client.width();
  const int grow = width - kDesignedWidth;
  const int below = kTopHeight + kMiddleHeight;
  const int rest = std::max(0, client.height() - below);
  const QPoint origin = client.topLeft();
  Layout2->setGeometry(QRect(origin, QSize(width, kTopHeight)));
  Layout3->setGeometry(QRect(origin + QPoint(0, kTopHeight), QSize(width, kMiddleHeight)));
  Layout1->setGeometry(QRect(origin + QPoint(width - kSideWidth, below), QSize(kSideWidth, rest)));
  ListBox1->setGeometry(
      QRect(origin + QPoint(0, below), QSize(std::max(0, width - kSideWidth), rest)));
  Edit1->setGeometry(104, 16, std::max(0, 154 + grow), 22);
  SelectBtn->setGeometry(283 + grow, 19, 80, 22);
  Edit2->setGeometry(104, 11, std::max(0, 154 + grow), 22);
  AddBtn->setGeometry(282 + grow, 11, 81, 22);
}

void TForm2::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  if (ListBox1 != nullptr) LayOut();
}

void TForm2::setVisible(bool visible) {
  if (visible && !isVisible()) {
    if (ListBox1 == nullptr) {
      BuildControls();
      LayOut();
    }
    // Kept above the drop window, also when that one stays on top.
    if (Form1 != nullptr && Form1->windowHandle() != nullptr) {
      create();
      windowHandle()->setTransientParent(Form1->windowHandle());
    }
    if (!placed_) {
      placed_ = true;
      CentreOnDesktop();
    }
  }
  QDialog::setVisible(visible);
}

void TForm2::CentreOnDesktop() {
  QScreen* screen = Form1 != nullptr ? Form1->screen() : nullptr;
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  // The dialog draws its own frame, so its size is its outer size.
  const QRect desktop = screen->geometry();
  move(desktop.x() + (desktop.width() - width()) / 2,
       desktop.y() + (desktop.height() - height()) / 2);
}

void TForm2::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) dw::gui::RunGuarded([this] { FormShow(); });
}

void TForm2::done(int result) {
  // Every way of closing (close box, Alt+F4, the system menu) ends here.
  dw::gui::RunGuarded([this] { FormClose(); });
  QDialog::done(result);
}

void TForm2::keyPressEvent(QKeyEvent* event) {
  // There is no cancel: Esc does not close the dialog.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void TForm2::FormShow() {
  ListBox1->clear();
  if (Form1 == nullptr || !Form1->FolderList) return;
  QStringList items;
  items.reserve(static_cast<qsizetype>(Form1->FolderList->lines.size()));
  for (const std::u16string& line : Form1->FolderList->lines) {
    items.push_back(QString::fromStdU16String(line));
  }
  ListBox1->addItems(items);
}

void TForm2::FormClose() {
  if (Form1 == nullptr || !Form1->FolderList) return;
  std::vector<std::u16string>& lines = Form1->FolderList->lines;
  lines.clear();
  lines.reserve(static_cast<std::size_t>(ListBox1->count()));
  for (int row = 0; row < ListBox1->count(); ++row) {
    lines.push_back(ListBox1->item(row)->text().toStdU16String());
  }
}

void TForm2::SelectBtnClick() {
  QString start;
#ifdef _WIN32
  if (platform_.FolderExists(u"C:\\wbin")) start = QStringLiteral("C:\\wbin");
#endif
  if (!PickFolder) return;
  const std::optional<QString> chosen = PickFolder(this, QStringLiteral("Select"), start);
  if (!chosen) return;
  // The alias: the folder's own name, empty for a root.
  const std::u16string path = chosen->toStdU16String();
  Edit1->setText(*chosen);
  Edit2->setText(QString::fromStdU16String(path.substr(dw::NameStart(path))));
}

void TForm2::AddBtnClick() {
  if (Edit2->text().isEmpty()) {
    dw::gui::ShowMessage(kAliasMissing);
    return;
  }
  ListBox1->addItem(Edit1->text() + u',' + Edit2->text());
}

void TForm2::DelBtnClick() {
  const int row = ListBox1->currentRow();
  if (row < 0 || row >= ListBox1->count()) return;
  delete ListBox1->takeItem(row);
  // Nothing is current afterwards, so a second press deletes nothing.
  ListBox1->selectionModel()->clear();
}
