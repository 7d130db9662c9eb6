// placeholder until the profile store lands: reads give the default, writes are refused.
#include "platform/win/WinPlatform.h"

namespace dw {

std::u16string WinPlatform::ProfileRead(const std::u16string&, const std::u16string&,
                                          const std::u16string& defaultValue,
                                          const std::u16string&) {
  return defaultValue;
}
bool WinPlatform::ProfileWrite(const std::u16string&, const std::u16string&,
                                 const std::u16string&, const std::u16string&) {
  return false;
}
void WinPlatform::ProfileFlush(const std::u16string&) {}

}  // namespace dw
