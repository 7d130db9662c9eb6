// placeholder until the shell transfer lands.
#include "platform/win/WinPlatform.h"

namespace dw {

ShellOpResult WinPlatform::ShellFileOperation(void*, bool, const std::vector<std::u16string>&,
                                              const std::u16string&) {
  return {1, true};
}
void WinPlatform::ShellOpenFolder(const std::u16string&) {}

}  // namespace dw
