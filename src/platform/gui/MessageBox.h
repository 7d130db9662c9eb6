// The program's message boxes: its own messages, the error report for an
// error raised in an event handler, and the fatal report for one raised while
// the windows are created. Plus the one guard every event handler runs in.
#pragma once

#include <QString>
#include <exception>
#include <functional>
#include <string>

class QMessageBox;
class QWidget;

namespace dw {
class Error;
}

namespace dw::gui {

// The application title from the program file's path: the name without its
// folder, cut before its first ".", every character after the first in lower
// case ("/home/x/Dropwell" -> "Dropwell").
QString ApplicationTitle(const std::u16string& programFilePath);
// The program file's name without its folder, as the fatal report names it.
QString ModuleName(const std::u16string& programFilePath);

// The window that owns a message box now: the modal dialog or the active
// window (a top-level one, so the box is never drawn inside a scene).
QWidget* MessageOwner();

// Text, no icon, one OK button (Esc and the close box alike dismiss it),
// caption = the application title. Blocks until dismissed.
void ShowMessage(const QString& text);

// Caption "エラー", error icon, the innermost non-empty message with the "."
// rule applied.
void ShowErrorReport(const dw::Error& error);
void ShowErrorReport(const std::exception& error);

// Owned by no window, modal to the whole program; caption
// "アプリケーションエラー".
void ShowFatalReport(const dw::Error& error, const QString& moduleName);

// Runs an event handler; an error it raises ends it and is reported here, so
// exceptions never cross the toolkit's frames.
void RunGuarded(const std::function<void()>& handler);

// Wraps a handler for connecting to a signal.
template <class F>
auto Guarded(F handler) {
  return [handler = std::move(handler)]() { RunGuarded(handler); };
}

}  // namespace dw::gui
