// The GUI tests need one application object for the whole run; they run on
// the offscreen platform unless another one is asked for.
#include <gtest/gtest.h>

#include <QApplication>

#include "theme/Theme.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  dw::theme::ApplyTheme(app);
  return RUN_ALL_TESTS();
}
