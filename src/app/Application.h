// The program's run: application title, the two windows in their order, the
// drop window shown, the event loop. Errors while the windows are created end
// in the fatal report and exit code 1.
#pragma once

#include <QByteArray>

namespace dw {
class Platform;
}

namespace dw::app {

// Needs a QApplication. Returns the program's exit code.
int RunApplication(Platform& platform);

// The platform plugins for Qt to try, in order, or empty for Qt's own choice,
// from the environment's QT_QPA_PLATFORM, WAYLAND_DISPLAY, DISPLAY and
// XDG_SESSION_TYPE. Under Wayland Qt can neither place a window nor keep it
// on top, so in a Wayland session with an X server (XWayland) the program
// runs on X11; natively only where no X server is. A platform that the user
// names stands.
QByteArray PreferredPlatform(const QByteArray& qpaPlatform, const QByteArray& waylandDisplay,
                             const QByteArray& display, const QByteArray& sessionType);

}  // namespace dw::app
