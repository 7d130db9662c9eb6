#include "platform/gui/TransferDialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace dw {

namespace {

// Long enough that pumping events costs nothing next to the copying, short
// enough that the windows repaint and Cancel answers at once.
constexpr qint64 kPumpIntervalMs = 30;

QString Name(const std::u16string& path) {
  return QFileInfo(QString::fromStdU16String(path)).fileName();
}

QString Folder(const std::u16string& path) {
  return QFileInfo(QString::fromStdU16String(path)).path();
}

// A question dialog with no owner, modal to the whole program.
std::unique_ptr<QDialog> NewQuestion(const QString& title, const QString& text,
                                     const QString& objectName) {
  auto dialog = std::make_unique<QDialog>();
  dialog->setObjectName(objectName);
  dialog->setWindowTitle(title);
  dialog->setWindowModality(Qt::ApplicationModal);
  auto* layout = new QVBoxLayout(dialog.get());
  auto* label = new QLabel(text);
  label->setObjectName("questionText");
  label->setWordWrap(true);
  label->setTextFormat(Qt::PlainText);
  layout->addWidget(label);
  return dialog;
}

QPushButton* AddButton(QDialogButtonBox* box, QDialog* dialog, const QString& text,
                       const QString& objectName, int result) {
  auto* button = box->addButton(text, QDialogButtonBox::ActionRole);
  button->setObjectName(objectName);
  QObject::connect(button, &QPushButton::clicked, dialog,
                   [dialog, result] { dialog->done(result); });
  return button;
}

}  // namespace

QtTransferUi::QtTransferUi() = default;
QtTransferUi::~QtTransferUi() = default;

QString QtTransferUi::FormatBytes(std::uint64_t bytes) {
  static const char* const kUnits[] = {"KB", "MB", "GB", "TB"};
  if (bytes < 1024) return QStringLiteral("%1 bytes").arg(bytes);
  double value = static_cast<double>(bytes) / 1024.0;
  int unit = 0;
  while (value >= 1024.0 && unit < 3) {
    value /= 1024.0;
    ++unit;
  }
  return QStringLiteral("%1 %2").arg(value, 0, 'f', value < 10 ? 1 : 0).arg(kUnits[unit]);
}

void QtTransferUi::Begin(bool copy, const std::u16string& destination) {
  copy_ = copy;
  destination_ = QString::fromStdU16String(destination);
  cancelRequested_ = false;
  lastPumpMs_ = -1;
  window_.reset();
  clock_.start();
}

bool QtTransferUi::Progress(const TransferProgress& progress) {
  const qint64 now = clock_.elapsed();
  if (lastPumpMs_ >= 0 && now - lastPumpMs_ < kPumpIntervalMs) return !cancelRequested_;
  lastPumpMs_ = now;
  if (!window_ && now >= progressDelayMs_) ShowProgressWindow();
  if (window_) UpdateProgressWindow(progress);
  // Before the window shows there is nothing to click: only repaint.
  QCoreApplication::processEvents(window_ ? QEventLoop::AllEvents
                                          : QEventLoop::ExcludeUserInputEvents);
  return !cancelRequested_;
}

void QtTransferUi::ShowProgressWindow() {
  window_ = std::make_unique<QDialog>();
  window_->setObjectName("transferProgress");
  window_->setWindowTitle(copy_ ? QStringLiteral("Copying") : QStringLiteral("Moving"));
  window_->setWindowModality(Qt::ApplicationModal);
  window_->setMinimumWidth(420);
  auto* layout = new QVBoxLayout(window_.get());
  auto* target = new QLabel(
      (copy_ ? QStringLiteral("Copying to %1") : QStringLiteral("Moving to %1")).arg(destination_));
  target->setTextFormat(Qt::PlainText);
  nameLabel_ = new QLabel;
  nameLabel_->setObjectName("currentName");
  nameLabel_->setTextFormat(Qt::PlainText);
  bar_ = new QProgressBar;
  bar_->setRange(0, 1000);
  countLabel_ = new QLabel;
  countLabel_->setObjectName("counts");
  speedLabel_ = new QLabel;
  speedLabel_->setObjectName("speed");
  auto* buttons = new QDialogButtonBox;
  auto* cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
  cancel->setObjectName("cancelButton");
  QObject::connect(cancel, &QPushButton::clicked, window_.get(), [this] {
    cancelRequested_ = true;
    nameLabel_->setText(QStringLiteral("Cancelling…"));
  });
  // The close box cancels too; the window stays until the engine stops.
  QObject::connect(window_.get(), &QDialog::rejected, window_.get(), [this] {
    cancelRequested_ = true;
    window_->show();
  });
  layout->addWidget(target);
  layout->addWidget(nameLabel_);
  layout->addWidget(bar_);
  layout->addWidget(countLabel_);
  layout->addWidget(speedLabel_);
  layout->addWidget(buttons);
  window_->show();
}

void QtTransferUi::UpdateProgressWindow(const TransferProgress& p) {
  if (!cancelRequested_) nameLabel_->setText(QString::fromStdU16String(p.currentName));
  // Bytes tell the truth about time best; a transfer of renames has none.
  double fraction = 0;
  if (p.bytesTotal > 0)
    fraction = static_cast<double>(p.bytesDone) / static_cast<double>(p.bytesTotal);
  else if (p.itemsTotal > 0)
    fraction = static_cast<double>(p.itemsDone) / static_cast<double>(p.itemsTotal);
  bar_->setValue(static_cast<int>(std::min(fraction, 1.0) * 1000));
  countLabel_->setText(QStringLiteral("%1 of %2 items, %3 of %4")
                           .arg(std::min(p.itemsDone, p.itemsTotal))
                           .arg(p.itemsTotal)
                           .arg(FormatBytes(p.bytesDone), FormatBytes(p.bytesTotal)));
  const double seconds = static_cast<double>(clock_.elapsed()) / 1000.0;
  if (seconds > 0)
    speedLabel_->setText(QStringLiteral("Speed: %1/s")
                             .arg(FormatBytes(static_cast<std::uint64_t>(
                                 static_cast<double>(p.bytesDone) / seconds))));
}

ConflictAnswer QtTransferUi::AskConflict(const TransferConflict& c) {
  const QString name = Name(c.targetPath);
  const QString text =
      QStringLiteral("The destination already has %1 named \"%2\".\n\nFrom: %3\nTo: %4")
          .arg(c.targetIsFolder ? QStringLiteral("a folder") : QStringLiteral("a file"), name,
               Folder(c.sourcePath), Folder(c.targetPath));
  auto dialog = NewQuestion(QStringLiteral("Replace or Skip Files"), text, "transferConflict");
  auto* forAll = new QCheckBox(QStringLiteral("Do this for all conflicts"));
  forAll->setObjectName("forAll");
  dialog->layout()->addWidget(forAll);
  auto* box = new QDialogButtonBox;
  enum { kCancel = 0, kReplace, kSkip, kKeepBoth };
  auto* replace =
      AddButton(box, dialog.get(), QStringLiteral("Replace"), "replaceButton", kReplace);
  // A file never replaces a folder nor a folder a file.
  replace->setEnabled(c.sourceIsFolder == c.targetIsFolder);
  AddButton(box, dialog.get(), QStringLiteral("Skip"), "skipButton", kSkip);
  AddButton(box, dialog.get(), QStringLiteral("Keep both"), "keepBothButton", kKeepBoth);
  AddButton(box, dialog.get(), QStringLiteral("Cancel"), "cancelButton", kCancel);
  dialog->layout()->addWidget(box);

  const int result = dialog->exec();
  ConflictAnswer answer;
  answer.forAll = forAll->isChecked();
  switch (result) {
    case kReplace:
      answer.choice = ConflictChoice::Replace;
      break;
    case kSkip:
      answer.choice = ConflictChoice::Skip;
      break;
    case kKeepBoth:
      answer.choice = ConflictChoice::KeepBoth;
      break;
    default:  // Cancel, Esc or the close box
      answer.choice = ConflictChoice::Cancel;
      break;
  }
  return answer;
}

ErrorChoice QtTransferUi::AskError(const TransferError& e) {
  const QString text =
      QStringLiteral("Could not %1 \"%2\":\n%3")
          .arg(copy_ ? QStringLiteral("copy") : QStringLiteral("move"),
               QString::fromStdU16String(e.path), QString::fromStdU16String(e.message));
  auto dialog = NewQuestion(copy_ ? QStringLiteral("Copy Error") : QStringLiteral("Move Error"),
                            text, "transferError");
  auto* box = new QDialogButtonBox;
  enum { kCancel = 0, kTryAgain, kSkip };
  // Some failures stay whatever the user does; there is nothing to try again.
  if (e.canRetry)
    AddButton(box, dialog.get(), QStringLiteral("Try again"), "tryAgainButton", kTryAgain);
  AddButton(box, dialog.get(), QStringLiteral("Skip"), "skipButton", kSkip);
  AddButton(box, dialog.get(), QStringLiteral("Cancel"), "cancelButton", kCancel);
  dialog->layout()->addWidget(box);

  switch (dialog->exec()) {
    case kTryAgain:
      return ErrorChoice::TryAgain;
    case kSkip:
      return ErrorChoice::Skip;
    default:
      return ErrorChoice::Cancel;
  }
}

void QtTransferUi::End() {
  window_.reset();
  nameLabel_ = countLabel_ = speedLabel_ = nullptr;
  bar_ = nullptr;
}

}  // namespace dw
