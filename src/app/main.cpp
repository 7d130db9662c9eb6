// Dropwell: a drop box that copies or moves dropped files into a chosen folder.
#include <QApplication>
#include <QDesktopServices>
#include <QUrl>
#include <vector>

#include "app/Application.h"
#include "platform/Platform.h"
#include "platform/gui/TransferDialogs.h"
#include "theme/Theme.h"

int main(int argc, char* argv[]) {
  // The platform goes to Qt as an option, not through the environment, so
  // that programs started from here (the file manager) keep their own.
  QByteArray platformName =
      dw::app::PreferredPlatform(qgetenv("QT_QPA_PLATFORM"), qgetenv("WAYLAND_DISPLAY"),
                                 qgetenv("DISPLAY"), qgetenv("XDG_SESSION_TYPE"));
  std::vector<char*> args(argv, argv + argc);
  char platformOption[] = "-platform";
  if (!platformName.isEmpty()) {
    args.push_back(platformOption);
    args.push_back(platformName.data());
  }
  args.push_back(nullptr);
  int count = static_cast<int>(args.size()) - 1;

  dw::theme::FontWarmup fonts;
  QApplication app(count, args.data());
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
