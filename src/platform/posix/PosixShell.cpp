// placeholder until the transfer engine lands.
#include "platform/posix/PosixPlatform.h"

namespace dw {

ShellOpResult PosixPlatform::ShellFileOperation(void*, bool, const std::vector<std::u16string>&,
                                                const std::u16string&) {
  return {1, true};
}
void PosixPlatform::ShellOpenFolder(const std::u16string& path) {
  if (folderOpener_) folderOpener_(path);
}

}  // namespace dw
