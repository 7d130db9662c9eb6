// The anchor of the start-up benchmark: a bare Qt Widgets window of the drop
// window's default size and place, and nothing else.
#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle(QStringLiteral("Anchor"));
  window.setGeometry(100, 100, 150, 140);
  window.show();
  return QApplication::exec();
}
