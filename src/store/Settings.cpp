#include "store/Settings.h"

#include "platform/Errors.h"
#include "platform/Platform.h"
#include "platform/Utf.h"

namespace dw {

namespace {

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

}  // namespace

std::optional<std::int32_t> ParseProfileInteger(std::u16string_view text) {
  std::u16string buffer;
  if (text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) {
    buffer = u"$";
    buffer += text.substr(2);
    text = buffer;
  }

  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n && text[i] == u' ') ++i;
  bool negative = false;
  if (i < n && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';

  bool hex = false;
  if (i < n && (text[i] == u'$' || text[i] == u'x' || text[i] == u'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < n && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
    hex = true;
    i += 2;
  }
  if (i == n) return std::nullopt;  // no digit at all

  if (hex) {
    std::uint32_t value = 0;
    for (; i < n; ++i) {
      const int digit = HexDigit(text[i]);
      if (digit < 0 || value > 0x0FFFFFFFu) return std::nullopt;
      value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    // All 32 bits count, as two's complement; a sign negates that value.
    if (negative) value = 0u - value;
    return static_cast<std::int32_t>(value);
  }

  const std::uint64_t limit = negative ? 2147483648u : 2147483647u;
  std::uint64_t value = 0;
  for (; i < n; ++i) {
    if (text[i] < u'0' || text[i] > u'9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(text[i] - u'0');
    if (value > limit) return std::nullopt;
  }
  return static_cast<std::int32_t>(negative ? 0 - static_cast<std::int64_t>(value)
                                            : static_cast<std::int64_t>(value));
}

std::int32_t ReadProfileInteger(Platform& platform, const std::u16string& path,
                                const std::u16string& section, const std::u16string& key,
                                std::int32_t defaultValue) {
  return ParseProfileInteger(platform.ProfileRead(section, key, std::u16string(), path))
      .value_or(defaultValue);
}

bool ReadProfileSwitch(Platform& platform, const std::u16string& path,
                       const std::u16string& section, const std::u16string& key,
                       bool defaultValue) {
  return ReadProfileInteger(platform, path, section, key, defaultValue ? 1 : 0) != 0;
}

void WriteProfileInteger(Platform& platform, const std::u16string& path,
                         const std::u16string& section, const std::u16string& key,
                         std::int32_t value) {
  if (!platform.ProfileWrite(section, key, FromUtf8(std::to_string(value)), path)) {
    throw EIniFileException(path);
  }
}

void WriteProfileSwitch(Platform& platform, const std::u16string& path,
                        const std::u16string& section, const std::u16string& key, bool value) {
  WriteProfileInteger(platform, path, section, key, value ? 1 : 0);
}

}  // namespace dw
