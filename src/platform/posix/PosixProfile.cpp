// The profile functions on our own INI store. Nothing is cached between
// calls (each read and write goes to the file), so there is nothing to flush.
#include "platform/posix/IniStore.h"
#include "platform/posix/PosixPlatform.h"

namespace dw {

std::u16string PosixPlatform::ProfileRead(const std::u16string& section, const std::u16string& key,
                                          const std::u16string& defaultValue,
                                          const std::u16string& path) {
  return ini::ReadString(NativePath(path), section, key, defaultValue);
}

bool PosixPlatform::ProfileWrite(const std::u16string& section, const std::u16string& key,
                                 const std::u16string& value, const std::u16string& path) {
  return ini::WriteString(NativePath(path), section, key, value);
}

void PosixPlatform::ProfileFlush(const std::u16string& path) {
  (void)path;
}

}  // namespace dw
