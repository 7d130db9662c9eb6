// Small helpers shared by the fuzz targets: a check that stops the run, and
// the mapping from the fuzzer's bytes to UTF-16 text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

// A failed property is a crash for libFuzzer, which then keeps the input.
#define FUZZ_CHECK(condition)                                                                  \
  do {                                                                                         \
    if (!(condition)) {                                                                        \
      std::fprintf(stderr, "FUZZ_CHECK failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
      __builtin_trap();                                                                        \
    }                                                                                          \
  } while (0)

namespace dwfuzz {

// Text from bytes: each byte is one Latin-1 character, except that 0xFF and
// the two bytes after it (little-endian) give any code unit. Delimiters,
// quotes and digits stay one byte away for the mutator, yet surrogates,
// marks and NUL remain reachable.
inline std::u16string UnitsFromBytes(std::string_view bytes) {
  std::u16string text;
  text.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (byte != 0xFF) {
      text += static_cast<char16_t>(byte);
    } else if (i + 2 < bytes.size()) {
      text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i + 1]) |
                                    (static_cast<unsigned char>(bytes[i + 2]) << 8));
      i += 2;
    } else {
      break;
    }
  }
  return text;
}

inline bool IsHighSurrogate(char16_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}
inline bool IsLowSurrogate(char16_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

// The text with every unpaired surrogate replaced by U+FFFD, so that it has
// an exact UTF-8 form.
inline std::u16string WellFormed(std::u16string text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      ++i;
    } else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) {
      text[i] = u'\uFFFD';
    }
  }
  return text;
}

}  // namespace dwfuzz
