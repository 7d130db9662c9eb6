#include "editor/Unit2.h"

#include "platform/Platform.h"

TForm2* Form2 = nullptr;

TForm2::TForm2(dw::Platform& platform, QWidget* parent) : QDialog(parent), platform_(platform) {
  Form2 = this;
  setWindowTitle(QStringLiteral("フォルダー追加"));
  // A sizeable dialog with only a close box.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setSizeGripEnabled(true);
  resize(378, 278);
}

TForm2::~TForm2() {
  if (Form2 == this) Form2 = nullptr;
}
