#include "app/Unit1.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCursor>
#include <QFontMetrics>
#include <QGraphicsProxyWidget>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QRadioButton>
#include <QResizeEvent>
#include <QSignalBlocker>
#include <QToolButton>
#include <QWindow>
#include <cmath>

#include "editor/Unit2.h"
#include "platform/Errors.h"
#include "platform/Platform.h"
#include "platform/gui/FileDropTarget.h"
#include "platform/gui/ListComboBox.h"
#include "platform/gui/MessageBox.h"
#include "platform/gui/ScaledLayout.h"
#include "platform/gui/ToggleButton.h"
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

// Nearest whole pixel, halves to even (the default rounding mode).
int RoundPixel(qreal value) {
  return static_cast<int>(std::nearbyint(value));
}

// Where Qt can neither place a window nor read its position, the compositor
// moves and resizes it for us.
bool CompositorMovesWindows() {
  return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

}  // namespace

TForm1::TForm1(dw::Platform& platform)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint),
      cursorPos_([] { return QPointF(QCursor::pos()); }),
      platform_(platform) {
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
  // After a drop the drag source is told the effect performed: Move only
  // when every item was moved, Copy otherwise (its originals then stay).
  ScaledLayout1->onDropDone = [this](Qt::DropAction answered) {
    return answered == Qt::MoveAction && !movedAll_ ? Qt::CopyAction : answered;
  };
  ScaledLayout1->setGeometry(rect());
  // The background is drawn in the scene, so it stretches with the content.
  ScaledLayout1->SetBackgroundImage(dw::theme::WindowBackground());
  QWidget* content = ScaledLayout1->Content();

  DropTarget1 = new dw::gui::FileDropTarget(content);
  DropTarget1->setObjectName(QStringLiteral("DropTarget1"));
  DropTarget1->setGeometry(8, 72, 57, 49);
  DropTarget1->SetLook(std::make_unique<dw::theme::DropTarget1Style1>(DropTarget1));
  DropTarget1->setAccessibleName(QStringLiteral("Drop files here"));
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
  ToolBar1->setAccessibleName(QStringLiteral("Tool bar"));

  struct ButtonLayout {
    QToolButton** field;
    const char* name;
    int x;
    int height;
    char16_t glyph;
    const char* hint;
    const char* accessibleName;
    bool toggle;
  };
  const ButtonLayout buttons[] = {
      {&SettingBtn, "SettingBtn", 4, 22, 0xECCD, "フォルダー追加", "フォルダー追加", false},
      {&OpenBtn, "OpenBtn", 32, 22, 0xE12E, "フォルダーを開く", "フォルダーを開く", false},
      {&ReSizeBtn, "ReSizeBtn", 56, 22, 0xE2B2, "サイズ変更", "サイズ変更", true},
      {&TopBtn, "TopBtn", 80, 22, 0xE840, "TOP表示", "TOP表示", true},
      {&CloseBtn, "CloseBtn", 136, 17, 0xE10A, "", "Close", false},
  };
  for (const ButtonLayout& entry : buttons) {
    QToolButton* button =
        entry.toggle ? new dw::gui::ToggleButton(ToolBar1) : new QToolButton(ToolBar1);
    button->setObjectName(QString::fromLatin1(entry.name));
    button->setGeometry(entry.x, 0, 22, entry.height);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setFont(dw::theme::GlyphFont(kGlyphPixels));
    button->setText(dw::theme::Glyph(entry.glyph));
    button->setToolTip(QString::fromUtf8(entry.hint));
    // The glyphs mean nothing to a screen reader.
    button->setAccessibleName(QString::fromUtf8(entry.accessibleName));
    *entry.field = button;
  }

  // The combo box is drawn at 1.2 from its top-left corner, so it lives in a
  // proxy of its own above the content.
  ComboBox1 = new dw::gui::ListComboBox;
  ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
  ComboBox1->resize(121, 22);
  ComboBox1->setAccessibleName(QStringLiteral("Folder"));
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
  // The state flips at the press, and a press released elsewhere brings no
  // click: every change applies at once, so the order in force is the one saved.
  connect(TopBtn, &QToolButton::toggled, this, Guarded([this] { TopBtnClick(); }));

  connect(CloseBtn, &QToolButton::clicked, this, Guarded([this] { CloseBtnClick(); }));

  // Presses are routed before the scene sees them; during a move or resize
  // the pointer is grabbed on the content (a grab on the view itself sticks).
  ScaledLayout1->viewport()->installEventFilter(this);
  content->installEventFilter(this);
}

void TForm1::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  ScaledLayout1->setGeometry(rect());
}

bool TForm1::event(QEvent* event) {
  // A modal window (a message box, for one) cancels the mouse mode: its
  // release would never reach us.
  if (event->type() == QEvent::WindowBlocked) EndMouseMode();
  return QWidget::event(event);
}

TForm1::PressOwner TForm1::PressOwnerAt(QPoint viewPoint) const {
  QWidget* content = ScaledLayout1->Content();
  for (QGraphicsItem* item : ScaledLayout1->items(viewPoint)) {  // topmost first
    if (item != ScaledLayout1->ContentProxy()) {
      // A control embedded on its own (ComboBox1); a disabled one takes no press.
      auto* proxy = qgraphicsitem_cast<QGraphicsProxyWidget*>(item);
      if (proxy != nullptr && proxy->widget() != nullptr && proxy->widget()->isEnabled()) {
        return PressOwner::Control;
      }
      continue;
    }
    // The content lies unscaled at the scene's origin; the proxy picks the
    // child by the rounded point too.
    QWidget* child = content->childAt(ScaledLayout1->mapToScene(viewPoint).toPoint());
    while (child != nullptr && child != content && !child->isEnabled()) {
      child = child->parentWidget();
    }
    if (child == nullptr || child == content) return PressOwner::Form;
    return child == ToolBar1 ? PressOwner::ToolBar : PressOwner::Control;
  }
  return PressOwner::Form;
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  const bool press = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick;
  const bool mouse = press || type == QEvent::MouseMove || type == QEvent::MouseButtonRelease;
  if (!mouse) return QWidget::eventFilter(watched, event);

  if (mouseMode_ != MouseMode::Idle) {
    if (type == QEvent::MouseMove) {
      // No button held any more: the release went elsewhere.
      if (static_cast<QMouseEvent*>(event)->buttons() == Qt::NoButton) {
        EndMouseMode();
      } else {
        dw::gui::RunGuarded([this] { MouseModeMove(); });
      }
    } else if (type == QEvent::MouseButtonRelease) {
      EndMouseMode();  // whichever button
    }
    return true;
  }

  if (press && watched == ScaledLayout1->viewport()) {
    const auto& pressEvent = *static_cast<QMouseEvent*>(event);
    switch (PressOwnerAt(pressEvent.position().toPoint())) {
      case PressOwner::Form:
        dw::gui::RunGuarded([&] { FormMouseDown(this, pressEvent); });
        return true;
      case PressOwner::ToolBar:
        dw::gui::RunGuarded([&] { ToolBar1MouseDown(ToolBar1, pressEvent); });
        return true;
      case PressOwner::Control:
        break;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TForm1::FormMouseDown(QObject*, const QMouseEvent&) {
  if (ReSizeBtn->isChecked()) {
    StartWindowResize();
  } else {
    StartWindowDrag();
  }
}

void TForm1::ToolBar1MouseDown(QObject* sender, const QMouseEvent& press) {
  FormMouseDown(sender, press);
}

QPointF TForm1::ClientCursor() const {
  return cursorPos_() - QPointF(x(), y());
}

void TForm1::StartWindowDrag() {
  if (CompositorMovesWindows()) {
    windowHandle()->startSystemMove();
    return;
  }
  pressPoint_ = ClientCursor();
  mouseMode_ = MouseMode::Moving;
  ScaledLayout1->Content()->grabMouse();
}

void TForm1::StartWindowResize() {
  if (CompositorMovesWindows()) {
    windowHandle()->startSystemResize(Qt::BottomEdge | Qt::RightEdge);
    return;
  }
  runningSize_ = QSizeF(width(), height());
  lastPoint_ = ClientCursor();
  mouseMode_ = MouseMode::Resizing;
  ScaledLayout1->Content()->grabMouse();
}

void TForm1::MouseModeMove() {
  // Someone else took the pointer (a popup, for one): as good as a release.
  if (QWidget::mouseGrabber() != ScaledLayout1->Content()) {
    EndMouseMode();
    return;
  }
  const QPointF point = ClientCursor();
  if (mouseMode_ == MouseMode::Moving) {
    const QPoint target(x() + RoundPixel(point.x() - pressPoint_.x()),
                        y() + RoundPixel(point.y() - pressPoint_.y()));
    if (target != pos()) move(target);
    return;
  }
  runningSize_ = QSizeF(RoundPixel(point.x() - lastPoint_.x() + runningSize_.width()),
                        RoundPixel(point.y() - lastPoint_.y() + runningSize_.height()));
  setGeometry(x(), y(), qRound(runningSize_.width()), qRound(runningSize_.height()));
  if (!resizeCursorSet_) {
    QGuiApplication::setOverrideCursor(Qt::SizeFDiagCursor);
    resizeCursorSet_ = true;
  }
  lastPoint_ = point;
}

void TForm1::EndMouseMode() {
  if (mouseMode_ == MouseMode::Idle) return;
  mouseMode_ = MouseMode::Idle;
  QWidget* content = ScaledLayout1->Content();
  if (QWidget::mouseGrabber() == content) content->releaseMouse();
  if (resizeCursorSet_) {
    QGuiApplication::restoreOverrideCursor();
    resizeCursorSet_ = false;
  }
}

void TForm1::FormCreate() {
  CopyList = std::make_unique<std::vector<std::u16string>>();
  FolderList = std::make_unique<dw::FolderList>();

  const std::u16string program = platform_.ProgramFilePath();
  HomePath = program.substr(0, dw::NameStart(program));
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
  // The drag source hears Move only once every item was moved; a source
  // that deletes its originals after a Move must never lose one of them.
  movedAll_ = false;
  CopyList->clear();
  if (!platform_.FolderExists(TagDir)) return;
  CopyList->insert(CopyList->end(), paths.begin(), paths.end());
  const bool copy = CopyRb->isChecked();
  const bool failed = FileOperation(nullptr, *CopyList, TagDir, copy);
  movedAll_ = !copy && !failed;
  if (failed) dw::gui::ShowMessage(kTransferFailed);
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
  Qt::WindowFlags flags = windowFlags();
  flags.setFlag(Qt::WindowStaysOnTopHint, onTop);
  if (QWindow* window = windowHandle()) {
    // Told to the window system in place: setWindowFlags would hide the
    // window and map it anew, elsewhere under some window managers.
    overrideWindowFlags(flags);
    window->setFlags(flags);
  } else {
    setWindowFlags(flags);
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
  readPosition_ = pos();
  {
    // The order is applied below, once the other values are read.
    const QSignalBlocker quiet(TopBtn);
    TopBtn->setChecked(dw::ReadProfileSwitch(platform_, ini, u"Form", u"StayTop", false));
  }
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
  // Where the compositor places the window, Qt reads no position (it says
  // 0, 0); the one read at start is kept rather than lost.
  const QPoint position = CompositorMovesWindows() ? readPosition_ : pos();
  try {
    dw::WriteProfileInteger(platform_, ini, u"Form", u"Top", position.y());
    dw::WriteProfileInteger(platform_, ini, u"Form", u"Left", position.x());
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
