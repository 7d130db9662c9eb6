// The program's run: application title, the two windows in their order, the
// drop window shown, the event loop. Errors while the windows are created end
// in the fatal report and exit code 1.
#pragma once

namespace dw {
class Platform;
}

namespace dw::app {

// Needs a QApplication. Returns the program's exit code.
int RunApplication(Platform& platform);

}  // namespace dw::app
