#include "app/Unit1.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFontMetrics>
#include <QGraphicsProxyWidget>
#include <QRadioButton>
#include <QResizeEvent>
#include <QToolButton>

#include "editor/Unit2.h"
#include "platform/Errors.h"
#include "platform/Platform.h"
#include "platform/gui/FileDropTarget.h"
#include "platform/gui/ListComboBox.h"
#include "platform/gui/MessageBox.h"
#include "platform/gui/ScaledLayout.h"
#include "store/FolderEntry.h"
#include "store/Settings.h"
#include "theme/DarkStyle.h"
#include "theme/DropTargetStyle.h"
#include "theme/Theme.h"

TForm1* Form1 = nullptr;

namespace {

constexpr QSizeF kReference(167, 133);
constexpr qreal kComboScale = 1.2;
constexpr int kGlyphPixels = 16;

const QString kFolderMissing = QStringLiteral("ファオルダーがありません！");
const QString kTransferFailed = QStringLiteral("失敗しました");

bool IsPathSeparator(char16_t c) {
#ifdef _WIN32
  return c == u'\\' || c == u':';
#else
  return c == u'/';
#endif
}

}  // namespace

TForm1::TForm1(dw::Platform& platform)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), platform_(platform) {
  Form1 = this;
  setWindowTitle(QStringLiteral("Dropwell"));
  setAttribute(Qt::WA_AlwaysShowToolTips);
  resize(qRound(kReference.width()), qRound(kReference.height()));
  BuildControls();
  try {
    FormCreate();
  } catch (...) {
    Form1 = nullptr;
    throw;
  }
}

TForm1::~TForm1() {
  if (Form1 == this) Form1 = nullptr;
}

void TForm1::BuildControls() {
  ScaledLayout1 = new dw::gui::ScaledLayout(kReference, this);
  ScaledLayout1->setGeometry(rect());
  // The background is drawn in the scene, so it stretches with the content.
  ScaledLayout1->setBackgroundBrush(dw::theme::BackgroundBrush(kReference));
  QWidget* content = ScaledLayout1->Content();

  DropTarget1 = new dw::gui::FileDropTarget(content);
  DropTarget1->setObjectName(QStringLiteral("DropTarget1"));
  DropTarget1->setGeometry(8, 72, 57, 49);
  DropTarget1->SetLook(std::make_unique<dw::theme::DropTarget1Style1>(DropTarget1));
  DropTarget1->onDragOver = [this] { return DropTarget1DragOver(); };
  DropTarget1->onDropped = [this](const std::vector<std::u16string>& paths) {
    dw::gui::RunGuarded([&] { DropTarget1Dropped(paths); });
  };

  CopyRb = new QRadioButton(QStringLiteral("Copy"), content);
  CopyRb->setObjectName(QStringLiteral("CopyRb"));
  CopyRb->setGeometry(80, 76, 57, 19);
  CopyRb->setChecked(true);

  MoveRb = new QRadioButton(QStringLiteral("Move"), content);
  MoveRb->setObjectName(QStringLiteral("MoveRb"));
  MoveRb->setGeometry(80, 100, 57, 19);

  ToolBar1 = new QWidget(content);
  ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
  ToolBar1->setGeometry(0, 0, 167, 25);
  ToolBar1->setFocusPolicy(Qt::NoFocus);

  struct ButtonLayout {
    QToolButton** field;
    const char* name;
    int x;
    int height;
    char16_t glyph;
    const char* hint;
    bool toggle;
  };
  const ButtonLayout buttons[] = {
      {&SettingBtn, "SettingBtn", 4, 22, 0xECCD, "フォルダー追加", false},
      {&OpenBtn, "OpenBtn", 32, 22, 0xE12E, "フォルダーを開く", false},
      {&ReSizeBtn, "ReSizeBtn", 56, 22, 0xE2B2, "サイズ変更", true},
      {&TopBtn, "TopBtn", 80, 22, 0xE840, "TOP表示", true},
      {&CloseBtn, "CloseBtn", 136, 17, 0xE10A, "", false},
  };
  for (const ButtonLayout& entry : buttons) {
    auto* button = new QToolButton(ToolBar1);
    button->setObjectName(QString::fromLatin1(entry.name));
    button->setGeometry(entry.x, 0, 22, entry.height);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setCheckable(entry.toggle);
    button->setFont(dw::theme::GlyphFont(kGlyphPixels));
    button->setText(dw::theme::Glyph(entry.glyph));
    button->setToolTip(QString::fromUtf8(entry.hint));
    *entry.field = button;
  }

  // The combo box is drawn at 1.2 from its top-left corner, so it lives in a
  // proxy of its own above the content.
  ComboBox1 = new dw::gui::ListComboBox;
  ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
  ComboBox1->resize(121, 22);
  QGraphicsProxyWidget* comboProxy =
      ScaledLayout1->AddScaled(ComboBox1, QPointF(8, 32), kComboScale);
  // Its list must be a real popup window, not drawn (scaled and clipped) in the scene.
  ComboBox1->view()->parentWidget()->setWindowFlag(Qt::BypassGraphicsProxyWidget);

  // The content is already shown inside its proxy, so children made
  // afterwards must be shown themselves.
  for (QWidget* control : {static_cast<QWidget*>(DropTarget1), static_cast<QWidget*>(CopyRb),
                           static_cast<QWidget*>(MoveRb), ToolBar1}) {
    control->show();
  }

  setTabOrder(DropTarget1, CopyRb);
  setTabOrder(CopyRb, MoveRb);
  QGraphicsWidget::setTabOrder(ScaledLayout1->ContentProxy(), comboProxy);

  using dw::gui::Guarded;
  connect(ComboBox1, &dw::gui::ListComboBox::Changed, this, Guarded([this] { ComboBox1Change(); }));
  connect(SettingBtn, &QToolButton::clicked, this, Guarded([this] { SettingBtnClick(); }));
  connect(OpenBtn, &QToolButton::clicked, this, Guarded([this] { OpenBtnClick(); }));
  connect(TopBtn, &QToolButton::clicked, this, Guarded([this] { TopBtnClick(); }));
  connect(CloseBtn, &QToolButton::clicked, this, Guarded([this] { CloseBtnClick(); }));
}

void TForm1::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  ScaledLayout1->setGeometry(rect());
}

void TForm1::FormCreate() {
  CopyList = std::make_unique<std::vector<std::u16string>>();
  FolderList = std::make_unique<dw::FolderList>();

  const std::u16string program = platform_.ProgramFilePath();
  std::size_t end = 0;
  for (std::size_t i = 0; i < program.size(); ++i) {
    if (IsPathSeparator(program[i])) end = i + 1;
  }
  HomePath = program.substr(0, end);
  FilePath = HomePath + u"Dropwell.txt";

  if (platform_.FileExists(FilePath)) dw::ReadFolderListFile(platform_, FilePath, *FolderList);
  SetFolderComb();
  LoadSetting();
}

void TForm1::SetFolderComb() {
  QStringList items;
  itemLines_.clear();
  for (std::size_t line = 0; line < FolderList->lines.size(); ++line) {
    const auto fields = dw::SplitFolderEntry(FolderList->lines[line], platform_);
    if (fields.size() < 2) continue;
    items.push_back(QString::fromStdU16String(fields[1]));
    itemLines_.push_back(line);
  }
  ComboBox1->SetItems(items);
}

void TForm1::ComboBox1Change() {
  const int index = ComboBox1->currentIndex();
  if (index < 0 || static_cast<std::size_t>(index) >= itemLines_.size() || !FolderList ||
      itemLines_[index] >= FolderList->lines.size()) {
    throw dw::EListError(index);
  }
  const auto fields = dw::SplitFolderEntry(FolderList->lines[itemLines_[index]], platform_);
  if (fields.empty()) throw dw::EListError(0);

  TagDir = fields[0];
  ComboBox1->setToolTip(QString::fromStdU16String(TagDir));
  DropTarget1->setEnabled(true);
  if (!platform_.FolderExists(TagDir)) {
    dw::gui::ShowMessage(kFolderMissing);
    DropTarget1->setEnabled(false);
  }
}

void TForm1::SettingBtnClick() {
  if (Form2 != nullptr) Form2->exec();
  SetFolderComb();
}

void TForm1::CloseBtnClick() {
  dw::WriteFolderListFile(platform_, FilePath, *FolderList);
  SaveSetting();
  CopyList.reset();
  FolderList.reset();
  close();
}

void TForm1::OpenBtnClick() {
  if (!platform_.FolderExists(TagDir)) {
    dw::gui::ShowMessage(kFolderMissing);
    return;
  }
  platform_.ShellOpenFolder(TagDir);
}

void TForm1::TopBtnClick() {
  ApplyStayOnTop(TopBtn->isChecked());
}

Qt::DropAction TForm1::DropTarget1DragOver() {
  return CopyRb->isChecked() ? Qt::CopyAction : Qt::MoveAction;
}

void TForm1::DropTarget1Dropped(const std::vector<std::u16string>& paths) {
  CopyList->clear();
  if (!platform_.FolderExists(TagDir)) return;
  CopyList->insert(CopyList->end(), paths.begin(), paths.end());
  if (FileOperation(nullptr, *CopyList, TagDir, CopyRb->isChecked())) {
    dw::gui::ShowMessage(kTransferFailed);
  }
}

bool TForm1::FileOperation(void* ownerWindow, const std::vector<std::u16string>& list,
                           const std::u16string& destination, bool copy) {
  const dw::ShellOpResult result =
      platform_.ShellFileOperation(ownerWindow, copy, list, destination);
  // A cancel or skip in the shell's dialogs counts as failure too.
  return result.code != 0 || result.anyAborted;
}

void TForm1::ApplyStayOnTop(bool onTop) {
  if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop) return;
  const bool wasVisible = isVisible();
  const QRect bounds = geometry();
  // Changing the flags hides a shown window.
  setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
  if (wasVisible) {
    setGeometry(bounds);
    show();
  }
}

void TForm1::LoadSetting() {
  const std::u16string ini = SettingsPath();
  const int top = dw::ReadProfileInteger(platform_, ini, u"Form", u"Top", 100);
  setGeometry(x(), top, width(), height());
  const int left = dw::ReadProfileInteger(platform_, ini, u"Form", u"Left", 100);
  setGeometry(left, y(), width(), height());
  const int w = dw::ReadProfileInteger(platform_, ini, u"Form", u"Width", 150);
  setGeometry(x(), y(), w, height());
  const int h = dw::ReadProfileInteger(platform_, ini, u"Form", u"Height", 140);
  setGeometry(x(), y(), width(), h);
  TopBtn->setChecked(dw::ReadProfileSwitch(platform_, ini, u"Form", u"StayTop", false));
  int folder = dw::ReadProfileInteger(platform_, ini, u"Select", u"Folder", 0);
  const int count = ComboBox1->count();
  ApplyStayOnTop(TopBtn->isChecked());
  if (folder > count - 1) folder = -1;

  // Set like a choice of the user, but run the handler here so that an error
  // during start-up reaches the start-up's own report.
  if (ComboBox1->SetIndexQuietly(folder)) ComboBox1Change();

  platform_.ProfileFlush(ini);
}

void TForm1::SaveSetting() {
  const std::u16string ini = SettingsPath();
  try {
    dw::WriteProfileInteger(platform_, ini, u"Form", u"Top", y());
    dw::WriteProfileInteger(platform_, ini, u"Form", u"Left", x());
    dw::WriteProfileInteger(platform_, ini, u"Form", u"Width", width());
    dw::WriteProfileInteger(platform_, ini, u"Form", u"Height", height());
    dw::WriteProfileSwitch(platform_, ini, u"Form", u"StayTop", TopBtn->isChecked());
    dw::WriteProfileInteger(platform_, ini, u"Select", u"Folder", ComboBox1->currentIndex());
  } catch (const dw::EIniFileException&) {
    platform_.ProfileFlush(ini);
    throw;
  }
  platform_.ProfileFlush(ini);
}
