// placeholder until the profile store lands: reads give the default, writes are refused.
#include "platform/posix/PosixPlatform.h"

namespace dw {

std::u16string PosixPlatform::ProfileRead(const std::u16string&, const std::u16string&,
                                          const std::u16string& defaultValue,
                                          const std::u16string&) {
  return defaultValue;
}
bool PosixPlatform::ProfileWrite(const std::u16string&, const std::u16string&,
                                 const std::u16string&, const std::u16string&) {
  return false;
}
void PosixPlatform::ProfileFlush(const std::u16string&) {}

}  // namespace dw
