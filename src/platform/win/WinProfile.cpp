// The profile functions are the system's own private-profile API.
#include <windows.h>

#include "platform/win/WinPlatform.h"

namespace dw {
namespace {

// The read buffer of 2048 characters: at most 2047 of a value are seen.
constexpr DWORD kReadBufferLength = 2048;

LPCWSTR Wide(const std::u16string& text) {
  return reinterpret_cast<LPCWSTR>(text.c_str());
}

}  // namespace

std::u16string WinPlatform::ProfileRead(const std::u16string& section, const std::u16string& key,
                                        const std::u16string& defaultValue,
                                        const std::u16string& path) {
  std::u16string buffer(kReadBufferLength, u'\0');
  const DWORD length = GetPrivateProfileStringW(Wide(section), Wide(key), Wide(defaultValue),
                                                reinterpret_cast<LPWSTR>(buffer.data()),
                                                kReadBufferLength, Wide(path));
  buffer.resize(length);
  return buffer;
}

bool WinPlatform::ProfileWrite(const std::u16string& section, const std::u16string& key,
                               const std::u16string& value, const std::u16string& path) {
  return WritePrivateProfileStringW(Wide(section), Wide(key), Wide(value), Wide(path)) != 0;
}

void WinPlatform::ProfileFlush(const std::u16string& path) {
  // Section, key and value all absent: the system writes out and drops its
  // cached copy of the file. Nothing depends on the outcome.
  (void)WritePrivateProfileStringW(nullptr, nullptr, nullptr, Wide(path));
}

}  // namespace dw
