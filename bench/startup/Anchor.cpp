// The anchors of the start-up benchmark, both of the drop window's default
// size and place:
//   (no argument)  a bare Qt Widgets window and nothing else;
//   --controls     the same window holding the drop window's kinds of
//                  controls (a combo box with one item, two radio buttons,
//                  five tool buttons with one character each) in a scaled
//                  graphics view, without any of the program's own work.
// The second one shows what the toolkit alone costs for such a window.
#include <QApplication>
#include <QComboBox>
#include <QGraphicsProxyWidget>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QRadioButton>
#include <QToolButton>
#include <QWidget>
#include <cstring>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle(QStringLiteral("Anchor"));
  window.setGeometry(100, 100, 150, 140);
  if (argc > 1 && std::strcmp(argv[1], "--controls") == 0) {
    auto* scene = new QGraphicsScene(0, 0, 167, 133, &window);
    auto* view = new QGraphicsView(scene, &window);
    view->setFrameShape(QFrame::NoFrame);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setGeometry(0, 0, 150, 140);
    view->setTransform(QTransform::fromScale(150.0 / 167, 140.0 / 133));
    auto* content = new QWidget;
    content->resize(167, 133);
    auto* combo = new QComboBox(content);
    combo->addItem(QStringLiteral("Folder"));
    combo->setGeometry(8, 32, 121, 22);
    auto* copy = new QRadioButton(QStringLiteral("Copy"), content);
    copy->setGeometry(80, 76, 57, 19);
    copy->setChecked(true);
    auto* move = new QRadioButton(QStringLiteral("Move"), content);
    move->setGeometry(80, 100, 57, 19);
    for (int i = 0; i < 5; ++i) {
      auto* button = new QToolButton(content);
      button->setAutoRaise(true);
      button->setText(QStringLiteral("+"));
      button->setGeometry(4 + 26 * i, 0, 22, 22);
    }
    scene->addWidget(content);
  }
  window.show();
  return QApplication::exec();
}
