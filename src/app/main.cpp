// Dropwell: a drop box that copies or moves dropped files into a chosen folder.
#include <QApplication>
#include <QDesktopServices>
#include <QUrl>

#include "app/Application.h"
#include "platform/Platform.h"
#include "theme/Theme.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  dw::theme::ApplyTheme(app);

  const std::unique_ptr<dw::Platform> platform = dw::CreateSystemPlatform();
  platform->SetFolderOpener([](const std::u16string& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdU16String(path)));
  });

  // ---- Transfer dialogs of the POSIX engine ----
  // platform->SetTransferUi(...) is wired here: the Qt implementation of the
  // engine's dialogs must live as long as the platform.
  // ---- end ----

  return dw::app::RunApplication(*platform);
}
