#include "app/Application.h"

#include <QApplication>
#include <memory>

#include "app/Unit1.h"
#include "editor/Unit2.h"
#include "platform/Errors.h"
#include "platform/Platform.h"
#include "platform/Utf.h"
#include "platform/gui/MessageBox.h"

namespace dw::app {

int RunApplication(Platform& platform) {
  const std::u16string programFile = platform.ProgramFilePath();
  QCoreApplication::setApplicationName(gui::ApplicationTitle(programFile));
  QApplication::setQuitOnLastWindowClosed(true);

  std::unique_ptr<TForm1> form1;
  std::unique_ptr<TForm2> form2;
  try {
    form1 = std::make_unique<TForm1>(platform);
    form2 = std::make_unique<TForm2>(platform);
  } catch (const Error& error) {
    gui::ShowFatalReport(error, gui::ModuleName(programFile));
    return 1;
  } catch (const std::exception& error) {
    gui::ShowFatalReport(Error(u"Exception", FromUtf8(error.what())), gui::ModuleName(programFile));
    return 1;
  }

  form1->show();
  return QApplication::exec();
}

}  // namespace dw::app
