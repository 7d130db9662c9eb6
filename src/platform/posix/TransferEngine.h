// Our stand-in for the Windows shell's copy/move: transfers files and
// folders into one destination folder, asking a UI about name conflicts and
// errors and reporting progress. The UI is an interface so that the engine
// stays free of any toolkit; the GUI supplies the real dialogs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace dw {

// Where a transfer stands. Totals are known once the sources were scanned;
// the counts may run past them when a folder merge turns up more entries.
struct TransferProgress {
  std::uint64_t itemsDone = 0;
  std::uint64_t itemsTotal = 0;
  std::uint64_t bytesDone = 0;
  std::uint64_t bytesTotal = 0;
  // Name (without its folder) of the entry being transferred.
  std::u16string currentName;
};

// A name that is already taken in the destination.
struct TransferConflict {
  std::u16string sourcePath;
  std::u16string targetPath;
  bool sourceIsFolder = false;
  bool targetIsFolder = false;
};

enum class ConflictChoice { Replace, Skip, KeepBoth, Cancel };

struct ConflictAnswer {
  ConflictChoice choice = ConflictChoice::Skip;
  // "Do this for all": the choice answers every later conflict of this run.
  bool forAll = false;
};

// A step that failed: the path it was about, the system's text for it and
// whether trying again can help at all.
struct TransferError {
  std::u16string path;
  std::u16string message;
  int code = 0;
  bool canRetry = true;
};

enum class ErrorChoice { TryAgain, Skip, Cancel };

class TransferUi {
 public:
  virtual ~TransferUi() = default;
  // A transfer starts (nothing is shown yet: a progress window is for
  // transfers that last).
  virtual void Begin(bool copy, const std::u16string& destination) = 0;
  // Called often while the transfer runs; false cancels it.
  virtual bool Progress(const TransferProgress& progress) = 0;
  virtual ConflictAnswer AskConflict(const TransferConflict& conflict) = 0;
  virtual ErrorChoice AskError(const TransferError& error) = 0;
  // The transfer is over (done, failed or cancelled).
  virtual void End() = 0;
};

// For running without a GUI: never waits for anyone. Conflicts are skipped
// and the first error cancels, so the outcome is reported as aborted.
class NonInteractiveTransferUi : public TransferUi {
 public:
  void Begin(bool, const std::u16string&) override {}
  bool Progress(const TransferProgress&) override { return true; }
  ConflictAnswer AskConflict(const TransferConflict&) override {
    return {ConflictChoice::Skip, false};
  }
  ErrorChoice AskError(const TransferError&) override { return ErrorChoice::Cancel; }
  void End() override {}
};

// How a file's bytes are copied, fastest first: shared with the source until
// either is changed (a clone, where the file system can), through a pipe
// without passing user space (splice), or read and written. A method that
// does not work between two files gives way to the next one.
enum class CopyMethod { Clone, Splice, Buffer };

// Copies (copy = true) or moves the sources, in order, into the destination
// folder and returns when everything is done. The result's code is the
// system error of the first failure that was skipped or cancelled (0 when
// none); anyAborted is set when anything was skipped or cancelled.
//
// Guarantees: a folder is transferred with its contents and merged into an
// existing folder of the same name; a moved file's source is removed only
// after its copy is complete, has the source's size and is on disk, and only
// while it is still the file that was copied; a copy is written under a
// part name beside its final one and renamed when complete (parts left by a
// killed transfer go at the next one); a folder is never
// transferred into itself or its own subfolder; copying into the source's
// own folder makes "name - Copy.ext". Copies start with firstMethod (the
// tests begin further down to reach every method).
ShellOpResult RunTransfer(TransferUi& ui, bool copy, const std::vector<std::u16string>& sources,
                          const std::u16string& destination,
                          CopyMethod firstMethod = CopyMethod::Clone);

// The name a copy gets in its source's own folder: number 1 gives
// "a - Copy.txt", number 2 "a - Copy (2).txt", and so on.
// Both names fit in 255 bytes: a long stem is shortened (at a character
// boundary). Empty when the extension alone leaves no room.
std::string CopyOfName(const std::string& name, bool isFolder, unsigned number);
// The name "keep both" gives: number 2 gives "a (2).txt", and so on.
std::string NumberedName(const std::string& name, bool isFolder, unsigned number);

}  // namespace dw
