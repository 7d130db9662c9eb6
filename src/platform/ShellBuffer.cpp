#include "platform/Platform.h"

namespace dw {

std::u16string BuildShellPathBuffer(const std::vector<std::u16string>& paths) {
  std::u16string buffer;
  for (const auto& path : paths) {
    buffer += path;
    buffer += u'\0';
  }
  buffer += u'\0';
  if (paths.empty()) buffer += u'\0';
  return buffer;
}

}  // namespace dw
