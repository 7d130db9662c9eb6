// The shell's file operation on POSIX: our transfer engine with the dialogs
// the GUI installed, or without any when none was installed.
#include "platform/posix/PosixPlatform.h"
#include "platform/posix/TransferEngine.h"

namespace dw {

ShellOpResult PosixPlatform::ShellFileOperation(void* ownerWindow, bool copy,
                                                const std::vector<std::u16string>& sources,
                                                const std::u16string& destination) {
  // The dialogs have no owner, as with the Windows shell when the drop
  // handler passes none.
  (void)ownerWindow;
  // Without dialogs nobody could answer, so nothing may wait for an answer.
  NonInteractiveTransferUi silent;
  TransferUi& ui = transferUi_ ? *transferUi_ : silent;
  return RunTransfer(ui, copy, sources, destination);
}

void PosixPlatform::ShellOpenFolder(const std::u16string& path) {
  if (folderOpener_) folderOpener_(path);
}

}  // namespace dw
