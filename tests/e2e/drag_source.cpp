// A tiny drag source for the end-to-end tests: a window that, when pressed,
// starts a file drag of the paths given on the command line offering Copy
// and Move. It prints two lines: the action the drop target answered when
// the drop was made ("copy", "move", "none"), and then the one the target
// reports in XdndFinished as performed ("finished copy", ...; "finished
// none" when it reports none or refused). That second one is what a file
// manager acts on: after "finished move" it deletes its originals.
#include <xcb/xcb.h>

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
      c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
  const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
  std::free(reply);
  return atom;
}

// Sees the target's XdndFinished before Qt does, which by then has ended
// the drag and no longer tells.
class FinishedWatch : public QAbstractNativeEventFilter {
 public:
  explicit FinishedWatch(xcb_connection_t* c)
      : finished_(Atom(c, "XdndFinished")),
        copy_(Atom(c, "XdndActionCopy")),
        move_(Atom(c, "XdndActionMove")) {}

  bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
    if (type != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE) return false;
    const auto* client = static_cast<const xcb_client_message_event_t*>(message);
    if (client->type != finished_) return false;
    // data32[1] bit 0: the drop was accepted; data32[2]: the action performed.
    const bool accepted = (client->data.data32[1] & 1) != 0;
    const xcb_atom_t action = client->data.data32[2];
    std::printf("finished %s\n", !accepted         ? "none"
                                 : action == move_ ? "move"
                                 : action == copy_ ? "copy"
                                                   : "none");
    std::fflush(stdout);
    // The target has everything it asked for: done soon.
    QTimer::singleShot(300, qApp, &QApplication::quit);
    return false;
  }

 private:
  xcb_atom_t finished_, copy_, move_;
};

class Source : public QWidget {
 public:
  explicit Source(QList<QUrl> urls) : urls_(std::move(urls)) {
    setWindowFlag(Qt::FramelessWindowHint);
    setGeometry(0, 0, 120, 120);
    setStyleSheet("background: #336699");
  }

 protected:
  void mousePressEvent(QMouseEvent*) override { pressed_ = true; }
  void mouseMoveEvent(QMouseEvent*) override {
    if (!pressed_) return;
    pressed_ = false;
    auto* drag = new QDrag(this);
    auto* mime = new QMimeData;
    if (urls_.isEmpty()) {
      mime->setText("just some text");
    } else {
      mime->setUrls(urls_);
    }
    drag->setMimeData(mime);
    const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
    std::printf("%s\n", action == Qt::MoveAction   ? "move"
                        : action == Qt::CopyAction ? "copy"
                                                   : "none");
    std::fflush(stdout);
    // Qt's drag ends on the drop, before the target has asked for the data;
    // a real file manager goes on serving it, so the harness does too, until
    // the target reports it finished (it may first ask the user something),
    // or a while after a refused drop, which reports nothing.
    QTimer::singleShot(action == Qt::IgnoreAction ? 3000 : 60000, qApp, &QApplication::quit);
  }

 private:
  QList<QUrl> urls_;
  bool pressed_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  auto* x11 = app.nativeInterface<QNativeInterface::QX11Application>();
  if (!x11) {
    std::fprintf(stderr, "drag source: needs X11\n");
    return 2;
  }
  FinishedWatch watch(x11->connection());
  app.installNativeEventFilter(&watch);
  QList<QUrl> urls;
  for (int i = 1; i < argc; ++i) urls << QUrl::fromLocalFile(QString::fromLocal8Bit(argv[i]));
  Source source(urls);
  source.show();
  std::printf("ready\n");
  std::fflush(stdout);
  return app.exec();
}
