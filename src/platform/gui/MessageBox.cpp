#include "platform/gui/MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

#include "platform/Errors.h"
#include "platform/Utf.h"

namespace dw::gui {

namespace {

QString FileName(const std::u16string& path) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < path.size(); ++i) {
#ifdef _WIN32
    if (path[i] == u'\\' || path[i] == u'/' || path[i] == u':') start = i + 1;
#else
    if (path[i] == u'/') start = i + 1;
#endif
  }
  return QString::fromStdU16String(path.substr(start));
}

void RunBox(QMessageBox& box) {
  box.setStandardButtons(QMessageBox::Ok);
  box.setDefaultButton(QMessageBox::Ok);
  box.setEscapeButton(QMessageBox::Ok);
  box.exec();
}

}  // namespace

QString ApplicationTitle(const std::u16string& programFilePath) {
  QString name = FileName(programFilePath);
  const auto dot = name.indexOf(u'.');
  if (dot >= 0) name.truncate(dot);
  if (name.size() > 1) name = name.left(1) + name.mid(1).toLower();
  return name;
}

QString ModuleName(const std::u16string& programFilePath) {
  return FileName(programFilePath);
}

QWidget* MessageOwner() {
  QWidget* owner = QApplication::activeModalWidget();
  if (owner == nullptr) owner = QApplication::activeWindow();
  return owner != nullptr ? owner->window() : nullptr;
}

void ShowMessage(const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), text,
                  QMessageBox::NoButton, MessageOwner());
  RunBox(box);
}

void ShowErrorReport(const dw::Error& error) {
  const QString text = QString::fromStdU16String(AppendPeriodRule(InnermostMessage(error)));
  QMessageBox box(QMessageBox::Critical, QStringLiteral("エラー"), text, QMessageBox::NoButton,
                  MessageOwner());
  RunBox(box);
}

void ShowErrorReport(const std::exception& error) {
  ShowErrorReport(dw::Error(u"Exception", FromUtf8(error.what())));
}

void ShowFatalReport(const dw::Error& error, const QString& moduleName) {
  const QString text =
      QString::fromStdU16String(FatalReportText(error, moduleName.toStdU16String()));
  QMessageBox box(QMessageBox::Critical, QStringLiteral("アプリケーションエラー"), text,
                  QMessageBox::NoButton, nullptr);
  box.setWindowModality(Qt::ApplicationModal);
  RunBox(box);
}

void RunGuarded(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const dw::Error& error) {
    ShowErrorReport(error);
  } catch (const std::exception& error) {
    ShowErrorReport(error);
  }
}

}  // namespace dw::gui
