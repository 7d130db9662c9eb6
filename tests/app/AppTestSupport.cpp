#include "AppTestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QTest>

#include "platform/Utf.h"
#include "platform/gui/ScaledLayout.h"

namespace dw::test {

std::u16string FakePlatform::MultiByteToWide(unsigned, std::string_view bytes) {
  return FromUtf8(bytes);
}
std::string FakePlatform::WideToMultiByte(unsigned, std::u16string_view text) {
  return ToUtf8(text);
}
std::u16string FakePlatform::ErrorText(std::uint32_t code) {
  return code == 21 ? u"Is a directory" : u"System error " + FromUtf8(std::to_string(code));
}

BoxCatcher::BoxCatcher(Dismiss how) : how_(how) {
  timer_.setInterval(10);
  QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
  timer_.start();
}

BoxCatcher::~BoxCatcher() {
  timer_.stop();
}

void BoxCatcher::Poll() {
  auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
  if (box == nullptr || !box->isVisible()) return;
  seen.push_back({box->windowTitle(), box->text(), box->icon(), box->parentWidget(),
                  Form1 != nullptr && Form1->isVisible(), Form1 != nullptr, box->buttons().size()});
  switch (how_) {
    case Dismiss::Ok:
      box->button(QMessageBox::Ok)->click();
      break;
    case Dismiss::Escape:
      QTest::keyClick(box, Qt::Key_Escape);
      break;
    case Dismiss::CloseBox:
      box->close();
      break;
  }
}

namespace {

// The event sent, with what it answered.
struct Answer {
  bool accepted;
  Qt::DropAction action;
};

Answer Send(TForm1& form, QEvent::Type type, const QMimeData& data, QPointF at,
            Qt::KeyboardModifiers modifiers) {
  QWidget* viewport = form.ScaledLayout1->viewport();
  const QPoint p = form.ScaledLayout1->mapFromScene(at);
  switch (type) {
    case QEvent::DragEnter: {
      QDragEnterEvent enter(p, kOfferedActions, &data, Qt::LeftButton, modifiers);
      QApplication::sendEvent(viewport, &enter);
      return {enter.isAccepted(), enter.dropAction()};
    }
    case QEvent::DragMove: {
      QDragMoveEvent move(p, kOfferedActions, &data, Qt::LeftButton, modifiers);
      QApplication::sendEvent(viewport, &move);
      return {move.isAccepted(), move.dropAction()};
    }
    case QEvent::DragLeave: {
      QDragLeaveEvent leave;
      QApplication::sendEvent(viewport, &leave);
      return {leave.isAccepted(), Qt::IgnoreAction};
    }
    default: {
      QDropEvent drop(QPointF(p), kOfferedActions, &data, Qt::LeftButton, modifiers);
      QApplication::sendEvent(viewport, &drop);
      return {drop.isAccepted(), drop.dropAction()};
    }
  }
}

}  // namespace

bool SendDragEvent(TForm1& form, QEvent::Type type, const QMimeData& data, QPointF at,
                   Qt::KeyboardModifiers modifiers) {
  if (type == QEvent::DragEnter) {
    Send(form, type, data, at, modifiers);
    type = QEvent::DragMove;
  }
  return Send(form, type, data, at, modifiers).accepted;
}

DragOutcome DragOnto(TForm1& form, const QMimeData& data, Qt::KeyboardModifiers modifiers,
                     bool release, QPointF at) {
  Send(form, QEvent::DragEnter, data, at, modifiers);
  const Answer move = Send(form, QEvent::DragMove, data, at, modifiers);
  DragOutcome out{move.accepted, move.action, false, Qt::IgnoreAction};
  if (release) {
    const Answer drop = Send(form, QEvent::Drop, data, at, modifiers);
    out.dropAccepted = drop.accepted;
    out.dropAction = drop.action;
  } else {
    Send(form, QEvent::DragLeave, data, at, modifiers);
  }
  return out;
}

void AppTest::SetUp() {
  QCoreApplication::setApplicationName(QStringLiteral("Dropwell"));
}

void AppTest::TearDown() {
  editor.reset();
  form.reset();
}

void AppTest::WriteList(const std::vector<std::string>& lines) {
  std::string bytes = "\xEF\xBB\xBF";
  for (const auto& line : lines) bytes += line + "\r\n";
  WriteBytes(dir / "Dropwell.txt", bytes);
}

std::string AppTest::MakeFolder(const std::string& name) {
  std::filesystem::create_directories(dir / name);
  return (dir / name).string();
}

void AppTest::Start() {
  form = std::make_unique<TForm1>(platform);
  editor = std::make_unique<TForm2>(platform);
}

void AppTest::StartShown(int width, int height) {
  Start();
  form->setGeometry(form->x(), form->y(), width, height);
  form->show();
  QApplication::processEvents();
}

}  // namespace dw::test
