// The operating-system services the program calls but does not contain.
// One interface, two backends (win/ and posix/). No Qt here: this header is
// compiled for Windows with mingw-w64 as well.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace dw {

// Code page numbers as Windows numbers them; the POSIX backend maps its
// locale onto the same numbers so the stored files agree across systems.
inline constexpr unsigned kCodePageUtf8 = 65001;

// Where a path's last component starts: just after its last "\" or ":" on
// Windows, its last "/" elsewhere; 0 when it has none.
inline std::size_t NameStart(std::u16string_view path) {
#ifdef _WIN32
  const std::size_t last = path.find_last_of(u"\\:");
#else
  const std::size_t last = path.find_last_of(u'/');
#endif
  return last == std::u16string_view::npos ? 0 : last + 1;
}

// Outcome of a whole-file write: where it failed (if it did) and the
// platform's error code for that failure.
struct WriteResult {
  enum class Stage { Ok, Create, Write };
  Stage stage = Stage::Ok;
  std::uint32_t code = 0;
  bool ok() const { return stage == Stage::Ok; }
};

// What the shell's copy/move reports back: its return value and whether any
// part of it was aborted (cancelled or skipped).
struct ShellOpResult {
  int code = 0;
  bool anyAborted = false;
};

class TransferUi;  // posix/TransferEngine.h; the GUI supplies the dialogs

class Platform {
 public:
  virtual ~Platform() = default;

  // Full path of the running program file.
  virtual std::u16string ProgramFilePath() = 0;
  // True only for an existing folder; an empty path, a file or any failure is false.
  virtual bool FolderExists(const std::u16string& path) = 0;
  // True for an existing entry that is not a folder.
  virtual bool FileExists(const std::u16string& path) = 0;

  // Reads all bytes of an existing file, others may read but not write
  // meanwhile. Returns 0 or the platform's error code.
  virtual std::uint32_t ReadWholeFile(const std::u16string& path, std::string& bytes) = 0;
  // Creates the file anew with the chunks written in order (one write each).
  // The old file is replaced only once the new content is complete.
  virtual WriteResult WriteWholeFile(const std::u16string& path,
                                     const std::vector<std::string_view>& chunks) = 0;
  // The system's message text for an error code, trailing blanks, control
  // characters and full stops removed.
  virtual std::u16string ErrorText(std::uint32_t code) = 0;

  // The system ANSI code page and conversions that never fail: bytes that
  // form no character and characters without a mapping are replaced.
  virtual unsigned AnsiCodePage() = 0;
  virtual std::u16string MultiByteToWide(unsigned codePage, std::string_view bytes) = 0;
  virtual std::string WideToMultiByte(unsigned codePage, std::u16string_view text) = 0;
  // True for a non-spacing combining mark (general category Mn).
  virtual bool IsNonSpacingMark(char16_t c) = 0;

  // Private-profile (INI) access, one key at a time. Reads see at most 2047
  // characters; a missing file, section or key gives the default.
  virtual std::u16string ProfileRead(const std::u16string& section, const std::u16string& key,
                                     const std::u16string& defaultValue,
                                     const std::u16string& path) = 0;
  // False when the store refused the write.
  virtual bool ProfileWrite(const std::u16string& section, const std::u16string& key,
                            const std::u16string& value, const std::u16string& path) = 0;
  // Drops any cached copy of the file; the result is of no interest.
  virtual void ProfileFlush(const std::u16string& path) = 0;

  // Copies (copy = true) or moves the sources into the destination folder and
  // returns only when the whole operation is done, with the system's (or our)
  // progress, conflict and error dialogs. ownerWindow may be null.
  virtual ShellOpResult ShellFileOperation(void* ownerWindow, bool copy,
                                           const std::vector<std::u16string>& sources,
                                           const std::u16string& destination) = 0;
  // Opens a folder in the file manager; the outcome is not reported.
  virtual void ShellOpenFolder(const std::u16string& path) = 0;

  // Hooks the GUI fills in on systems where the shell's parts are ours: the
  // dialogs of the transfer engine and the folder opener. The Windows backend
  // ignores them.
  virtual void SetTransferUi(TransferUi* ui) { (void)ui; }
  virtual void SetFolderOpener(std::function<void(const std::u16string&)> opener) { (void)opener; }
};

// The backend of the system this was built for.
std::unique_ptr<Platform> CreateSystemPlatform();

// The shell's double-NUL-terminated path buffers: each path followed by one
// NUL and a final extra NUL (two NULs for an empty list).
std::u16string BuildShellPathBuffer(const std::vector<std::u16string>& paths);

}  // namespace dw
