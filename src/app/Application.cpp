#include "app/Application.h"

#include <QApplication>
#include <memory>

#ifndef _WIN32
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>
#endif

#include "app/Unit1.h"
#include "editor/Unit2.h"
#include "platform/Errors.h"
#include "platform/Platform.h"
#include "platform/Utf.h"
#include "platform/gui/MessageBox.h"

namespace dw::app {

namespace {

#ifndef _WIN32
// A request to terminate (the session ending, kill) ends the program as a
// close by the system does: nothing is written, exit code 0. The signal only
// writes to a pipe; the event loop does the rest.
class TerminationWatch {
 public:
  TerminationWatch() {
    // Without the pipe the signals keep their default action, which ends
    // the program all the same.
    if (pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) return;
    writeEnd_ = pipe_[1];
    notifier_ = std::make_unique<QSocketNotifier>(pipe_[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
      char byte;
      while (read(pipe_[0], &byte, 1) == 1) {
      }
      QCoreApplication::exit(0);
    });
    struct sigaction action = {};
    action.sa_handler = [](int) {
      const int saved = errno;
      [[maybe_unused]] const ssize_t written = write(writeEnd_, "x", 1);
      errno = saved;
    };
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
  }
  ~TerminationWatch() {
    if (writeEnd_ < 0) return;
    signal(SIGTERM, SIG_DFL);
    signal(SIGHUP, SIG_DFL);
    notifier_.reset();
    writeEnd_ = -1;
    close(pipe_[0]);
    close(pipe_[1]);
  }
  TerminationWatch(const TerminationWatch&) = delete;
  TerminationWatch& operator=(const TerminationWatch&) = delete;

 private:
  static inline volatile sig_atomic_t writeEnd_ = -1;
  int pipe_[2] = {-1, -1};
  std::unique_ptr<QSocketNotifier> notifier_;
};
#endif

}  // namespace

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

#ifndef _WIN32
  TerminationWatch termination;
#endif
  form1->show();
  return QApplication::exec();
}

QByteArray PreferredPlatform(const QByteArray& qpaPlatform, const QByteArray& waylandDisplay,
                             const QByteArray& display, const QByteArray& sessionType) {
  if (!qpaPlatform.isEmpty()) return {};
  if (waylandDisplay.isEmpty() && sessionType != "wayland") return {};
  // An X server that cannot be reached after all leaves Wayland.
  if (!display.isEmpty()) return QByteArrayLiteral("xcb;wayland");
  return QByteArrayLiteral("wayland");
}

}  // namespace dw::app
