// Dropwell: a drop box that copies or moves dropped files into a chosen folder.
#include <QApplication>
#include <QDesktopServices>
#include <QUrl>

#include "app/Application.h"
#include "platform/Platform.h"
#include "platform/gui/TransferDialogs.h"
#include "theme/Theme.h"

int main(int argc, char* argv[]) {
  dw::theme::FontWarmup fonts;
  QApplication app(argc, argv);
  fonts.Wait();
  dw::theme::ApplyTheme(app);

  const std::unique_ptr<dw::Platform> platform = dw::CreateSystemPlatform();
  platform->SetFolderOpener([](const std::u16string& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdU16String(path)));
  });

  // The dialogs of our own transfer engine (the Windows shell brings its own);
  // they must outlive every transfer, so they live as long as the platform.
  dw::QtTransferUi transferUi;
  platform->SetTransferUi(&transferUi);

  return dw::app::RunApplication(*platform);
}
