// The transfer engine's dialogs in Qt Widgets: a progress window for
// transfers that last, the name-conflict question and the error question.
// Like the Windows shell's with no owner window, none of them has a parent;
// each is modal to the whole program, so no second drop can start meanwhile.
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <memory>

#include "platform/posix/TransferEngine.h"

class QDialog;
class QLabel;
class QProgressBar;

namespace dw {

class QtTransferUi : public TransferUi {
 public:
  QtTransferUi();
  ~QtTransferUi() override;
  QtTransferUi(const QtTransferUi&) = delete;
  QtTransferUi& operator=(const QtTransferUi&) = delete;

  // How long a transfer runs before its progress window appears.
  void SetProgressDelay(int milliseconds) { progressDelayMs_ = milliseconds; }

  void Begin(bool copy, const std::u16string& destination) override;
  bool Progress(const TransferProgress& progress) override;
  ConflictAnswer AskConflict(const TransferConflict& conflict) override;
  ErrorChoice AskError(const TransferError& error) override;
  void End() override;

  // "1.5 MB" and the like, in units of 1024.
  static QString FormatBytes(std::uint64_t bytes);

 private:
  void ShowProgressWindow();
  void UpdateProgressWindow(const TransferProgress& progress);

  int progressDelayMs_ = 1000;
  bool copy_ = true;
  QString destination_;
  bool cancelRequested_ = false;
  QElapsedTimer clock_;
  qint64 lastPumpMs_ = -1;
  std::unique_ptr<QDialog> window_;
  QLabel* nameLabel_ = nullptr;
  QLabel* countLabel_ = nullptr;
  QLabel* speedLabel_ = nullptr;
  QProgressBar* bar_ = nullptr;
};

}  // namespace dw
