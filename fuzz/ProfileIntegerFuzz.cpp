// Fuzzes the reading of integers in the settings file against a model of the
// rules, and checks that every written value reads back.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "store/Settings.h"

namespace {

bool IsDecimalDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

int HexValue(char16_t c) {
  if (IsDecimalDigit(c)) return c - u'0';
  if (c >= u'a' && c <= u'f') return 10 + (c - u'a');
  if (c >= u'A' && c <= u'F') return 10 + (c - u'A');
  return -1;
}

// The rules step by step, with the magnitude kept in 64 bits and capped, so
// any number of digits is judged by its value alone.
std::optional<std::int32_t> ModelParse(std::u16string text) {
  // 1. A leading "0x" of a text longer than two characters becomes "$".
  if (text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) {
    text.replace(0, 2, u"$");
  }
  std::u16string_view rest = text;
  // 2. Blanks (U+0020 only), then one optional sign.
  while (!rest.empty() && rest.front() == u' ') rest.remove_prefix(1);
  bool minus = false;
  if (!rest.empty() && (rest.front() == u'+' || rest.front() == u'-')) {
    minus = rest.front() == u'-';
    rest.remove_prefix(1);
  }
  // 3. A hexadecimal introducer, or none.
  int base = 10;
  for (const std::u16string_view intro : {u"0x", u"0X", u"$", u"x", u"X"}) {
    if (rest.starts_with(intro)) {
      base = 16;
      rest.remove_prefix(intro.size());
      break;
    }
  }
  // 4. At least one digit, and nothing but digits to the end.
  if (rest.empty()) return std::nullopt;
  constexpr std::uint64_t kCap = std::uint64_t{1} << 40;
  std::uint64_t magnitude = 0;
  for (const char16_t c : rest) {
    const int digit = base == 16 ? HexValue(c) : (IsDecimalDigit(c) ? c - u'0' : -1);
    if (digit < 0) return std::nullopt;
    magnitude = magnitude * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
    if (magnitude > kCap) magnitude = kCap;
  }
  // 5. Ranges: decimal as a signed 32-bit value, hexadecimal as 32 bits in
  // two's complement that a "-" negates.
  if (base == 10) {
    const std::int64_t value =
        minus ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    return static_cast<std::int32_t>(value);
  }
  if (magnitude > 0xFFFFFFFFu) return std::nullopt;
  std::uint32_t bits = static_cast<std::uint32_t>(magnitude);
  if (minus) bits = ~bits + 1u;
  std::int32_t value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

std::u16string Ascii(const std::string& text) {
  return std::u16string(text.begin(), text.end());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::u16string text = dwfuzz::UnitsFromBytes(bytes);
  FUZZ_CHECK(dw::ParseProfileInteger(text) == ModelParse(text));

  // Whatever is written (the decimal text) reads back as itself, and so does
  // its 32-bit hexadecimal form.
  if (size >= 4) {
    std::int32_t value;
    std::memcpy(&value, data, sizeof value);
    FUZZ_CHECK(dw::ParseProfileInteger(Ascii(std::to_string(value))) == value);
    char hex[16];
    std::snprintf(hex, sizeof hex, "$%X", static_cast<unsigned>(value));
    FUZZ_CHECK(dw::ParseProfileInteger(Ascii(hex)) == value);
  }
  return 0;
}
