// The shell's file operation on POSIX: our transfer engine with the dialogs
// the GUI installed, or without any when none was installed.
#include "platform/posix/PosixPlatform.h"
#include "platform/posix/TransferEngine.h"

namespace dw {

// A relative path (a hand-edited folder list may hold one) is taken
// relative to the program's folder, never to the current directory.
std::u16string AbsolutePath(const std::u16string& path, const std::u16string& programFile) {
  if (path.empty() || path.front() == u'/') return path;
  const auto slash = programFile.rfind(u'/');
  if (slash == std::u16string::npos) return path;
  return programFile.substr(0, slash + 1) + path;
}

ShellOpResult PosixPlatform::ShellFileOperation(void* ownerWindow, bool copy,
                                                const std::vector<std::u16string>& sources,
                                                const std::u16string& destination) {
  // The dialogs have no owner, as with the Windows shell when the drop
  // handler passes none.
  (void)ownerWindow;
  // Without dialogs nobody could answer, so nothing may wait for an answer.
  NonInteractiveTransferUi silent;
  TransferUi& ui = transferUi_ ? *transferUi_ : silent;
  const std::u16string program = ProgramFilePath();
  std::vector<std::u16string> absolute;
  absolute.reserve(sources.size());
  for (const auto& source : sources) absolute.push_back(AbsolutePath(source, program));
  return RunTransfer(ui, copy, absolute, AbsolutePath(destination, program));
}

void PosixPlatform::ShellOpenFolder(const std::u16string& path) {
  if (folderOpener_) folderOpener_(AbsolutePath(path, ProgramFilePath()));
}

}  // namespace dw
