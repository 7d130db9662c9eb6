// Shared pieces of the GUI tests: a platform over a temporary folder with an
// in-memory profile store and a recording shell, a catcher that answers the
// modal message boxes, and read access to the drop window's private state.
#pragma once

#include <gtest/gtest.h>

#include <QEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QPointF>
#include <QPointer>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "app/Unit1.h"
#include "editor/Unit2.h"
#include "platform/Platform.h"
#include "platform/Utf.h"
#include "platform/gui/ListComboBox.h"
#include "support/TestSupport.h"

namespace dw::test {

inline std::u16string U(const std::string& utf8) {
  return FromUtf8(utf8);
}

// Files are real (inside a temporary folder), the profile store is a map
// that refuses writes where a directory stands at the file's path, and the
// shell only records what it is asked.
class FakePlatform : public Platform {
 public:
  explicit FakePlatform(const TempDir& dir) : dir_(dir) {}

  std::u16string programPath = u"";  // empty: <dir>/Dropwell
  std::uint32_t readFailure = 0;     // nonzero: every whole-file read fails so

  struct ShellCall {
    bool copy;
    std::vector<std::u16string> sources;
    std::u16string destination;
  };
  std::vector<ShellCall> shellCalls;
  ShellOpResult shellResult;
  std::function<void()> onShell;  // runs inside every shell call
  std::vector<std::u16string> opened;
  std::vector<std::u16string> folderTests;  // every FolderExists asked
  int wholeFileWrites = 0;
  int flushes = 0;
  // path -> list of (section, key, value) in the order first written
  std::map<std::u16string, std::vector<std::tuple<std::u16string, std::u16string, std::u16string>>>
      profiles;
  int profileWrites = 0;
  std::vector<std::u16string> writeLog;  // "Section.Key=value" of every accepted write

  std::u16string ProgramFilePath() override {
    return programPath.empty() ? dir_.U16("Dropwell") : programPath;
  }
  bool FolderExists(const std::u16string& path) override {
    folderTests.push_back(path);
    std::error_code ec;
    return !path.empty() && std::filesystem::is_directory(std::filesystem::path(path), ec);
  }
  bool FileExists(const std::u16string& path) override {
    std::error_code ec;
    const std::filesystem::path p(path);
    return !path.empty() && std::filesystem::exists(p, ec) && !std::filesystem::is_directory(p, ec);
  }
  std::uint32_t ReadWholeFile(const std::u16string& path, std::string& bytes) override {
    if (readFailure != 0) return readFailure;
    bytes = ReadBytes(std::filesystem::path(path));
    return 0;
  }
  WriteResult WriteWholeFile(const std::u16string& path,
                             const std::vector<std::string_view>& chunks) override {
    ++wholeFileWrites;
    const std::filesystem::path p(path);
    if (std::filesystem::is_directory(p)) return {WriteResult::Stage::Create, 21};
    std::string all;
    for (auto chunk : chunks) all += chunk;
    WriteBytes(p, all);
    return {};
  }
  std::u16string ErrorText(std::uint32_t code) override;
  unsigned AnsiCodePage() override { return kCodePageUtf8; }
  std::u16string MultiByteToWide(unsigned, std::string_view bytes) override;
  std::string WideToMultiByte(unsigned, std::u16string_view text) override;
  bool IsNonSpacingMark(char16_t c) override { return c >= 0x0300 && c <= 0x036F; }

  std::u16string ProfileRead(const std::u16string& section, const std::u16string& key,
                             const std::u16string& defaultValue,
                             const std::u16string& path) override {
    for (const auto& [s, k, v] : profiles[path]) {
      if (s == section && k == key) return v;
    }
    return defaultValue;
  }
  bool ProfileWrite(const std::u16string& section, const std::u16string& key,
                    const std::u16string& value, const std::u16string& path) override {
    ++profileWrites;
    std::error_code ec;
    if (std::filesystem::is_directory(std::filesystem::path(path), ec)) return false;
    writeLog.push_back(section + u"." + key + u"=" + value);
    auto& entries = profiles[path];
    for (auto& [s, k, v] : entries) {
      if (s == section && k == key) {
        v = value;
        return true;
      }
    }
    entries.emplace_back(section, key, value);
    return true;
  }
  void ProfileFlush(const std::u16string&) override { ++flushes; }

  ShellOpResult ShellFileOperation(void* owner, bool copy,
                                   const std::vector<std::u16string>& sources,
                                   const std::u16string& destination) override {
    (void)owner;
    shellCalls.push_back({copy, sources, destination});
    if (onShell) onShell();
    return shellResult;
  }
  void ShellOpenFolder(const std::u16string& path) override { opened.push_back(path); }

  // Values as the settings file would hold them.
  void SetProfile(const std::u16string& section, const std::u16string& key,
                  const std::u16string& value) {
    profiles[dir_.U16("Dropwell.ini")].emplace_back(section, key, value);
  }

 private:
  const TempDir& dir_;
};

// What one message box showed, and in what situation.
struct SeenBox {
  QString title;
  QString text;
  QMessageBox::Icon icon;
  QWidget* parent;
  bool form1Visible;
  bool form1Set;  // the global Form1 pointed at a window then
  QList<QAbstractButton*>::size_type buttons;
};

// Answers every modal message box while it lives, records it and dismisses
// it (by OK unless told otherwise).
class BoxCatcher {
 public:
  enum class Dismiss { Ok, Escape, CloseBox };
  explicit BoxCatcher(Dismiss how = Dismiss::Ok);
  ~BoxCatcher();
  std::vector<SeenBox> seen;

 private:
  void Poll();
  Dismiss how_;
  QTimer timer_;
};

// A drag onto the drop window as the window system delivers it: events at
// the scaled view's viewport, at a point in reference units (by default the
// drop target's centre).
inline constexpr QPointF kDropTargetCentre(8 + 57 / 2.0, 72 + 49 / 2.0);
inline constexpr Qt::DropActions kOfferedActions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;

// One drag event: DragEnter (followed by a DragMove), DragLeave or Drop;
// true when the last event sent was accepted.
bool SendDragEvent(TForm1& form, QEvent::Type type, const QMimeData& data,
                   QPointF at = kDropTargetCentre, Qt::KeyboardModifiers modifiers = {});

struct DragOutcome {
  bool moveAccepted;
  Qt::DropAction moveAction;
  bool dropAccepted;
  Qt::DropAction dropAction;
};
// Enter and move, then a drop (release) or a leave; what each answered.
DragOutcome DragOnto(TForm1& form, const QMimeData& data,
                     Qt::KeyboardModifiers modifiers = Qt::NoModifier, bool release = true,
                     QPointF at = kDropTargetCentre);

// Fills a temporary folder as the program's folder and starts the program's
// windows over it.
class AppTest : public ::testing::Test {
 protected:
  TempDir dir;
  FakePlatform platform{dir};
  std::unique_ptr<TForm1> form;
  std::unique_ptr<TForm2> editor;

  void SetUp() override;
  void TearDown() override;
  // The folder list file as UTF-8 with its mark; lines joined by CR LF.
  void WriteList(const std::vector<std::string>& lines);
  // A real folder inside the temporary folder; its full path.
  std::string MakeFolder(const std::string& name);
  // Creates both windows as the program does (no show).
  void Start();
  // Creates, shows and lays out the drop window at the size given.
  void StartShown(int width = 167, int height = 133);
};

// Read access to the drop window's private state.
}  // namespace dw::test

class TForm1Probe {
 public:
  static const std::u16string& TagDir(const TForm1& f) { return f.TagDir; }
  static const std::u16string& HomePath(const TForm1& f) { return f.HomePath; }
  static const std::vector<std::u16string>* CopyList(const TForm1& f) { return f.CopyList.get(); }
  // Where the window reads the system cursor from (screen coordinates).
  static void SetCursorSource(TForm1& f, std::function<QPointF()> source) {
    f.cursorPos_ = std::move(source);
  }
};
