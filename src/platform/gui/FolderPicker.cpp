#include "platform/gui/FolderPicker.h"

#include <QDir>
#include <QFileDialog>

namespace dw::gui {

std::optional<QString> PickFolder(QWidget* owner, const QString& title,
                                  const QString& startFolder) {
  QString start = startFolder;
#ifndef _WIN32
  if (start.isEmpty()) start = QDir::homePath();
#endif
  const QString chosen =
      QFileDialog::getExistingDirectory(owner, title, start, QFileDialog::ShowDirsOnly);
  if (chosen.isEmpty()) return std::nullopt;
  return QDir::toNativeSeparators(chosen);
}

}  // namespace dw::gui
