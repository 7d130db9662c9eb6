// A tiny drag source for the end-to-end tests: a window that, when pressed,
// starts a file drag of the paths given on the command line offering Copy
// and Move, prints the action the drop target answered ("copy", "move",
// "none") and exits a few seconds later.
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <cstdio>

namespace {

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
    // a real file manager goes on serving it, so the harness does too.
    QTimer::singleShot(3000, qApp, &QApplication::quit);
  }

 private:
  QList<QUrl> urls_;
  bool pressed_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QList<QUrl> urls;
  for (int i = 1; i < argc; ++i) urls << QUrl::fromLocalFile(QString::fromLocal8Bit(argv[i]));
  Source source(urls);
  source.show();
  std::printf("ready\n");
  std::fflush(stdout);
  return app.exec();
}
