// The platform's folder picker, modal to its owner.
#pragma once

#include <QString>
#include <optional>

class QWidget;

namespace dw::gui {

// Asks the user for a folder, starting at startFolder (empty: the platform's
// default place, the home folder on POSIX). The chosen folder's full native
// path, or nothing when the user cancels.
std::optional<QString> PickFolder(QWidget* owner, const QString& title, const QString& startFolder);

}  // namespace dw::gui
