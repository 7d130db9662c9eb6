// Reading and writing the settings file's values through the platform's
// profile store, one key at a time.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dw {

class Platform;

// The integer reading rules: "0x"/"0X" prefix as "$", leading U+0020
// blanks, one sign, "$"/"x"/"X"/"0x"/"0X" hexadecimal with 32-bit two's
// complement, or a decimal in the 32-bit range, nothing after the number.
// Empty when the text is unreadable.
std::optional<std::int32_t> ParseProfileInteger(std::u16string_view text);

// A key read as an integer; the default for a missing or unreadable value.
std::int32_t ReadProfileInteger(Platform& platform, const std::u16string& path,
                                const std::u16string& section, const std::u16string& key,
                                std::int32_t defaultValue);
// A switch: any value other than 0 is on.
bool ReadProfileSwitch(Platform& platform, const std::u16string& path,
                       const std::u16string& section, const std::u16string& key,
                       bool defaultValue);
// Writes the decimal text of value; throws EIniFileException(path) when the
// store refuses the write.
void WriteProfileInteger(Platform& platform, const std::u16string& path,
                         const std::u16string& section, const std::u16string& key,
                         std::int32_t value);
void WriteProfileSwitch(Platform& platform, const std::u16string& path,
                        const std::u16string& section, const std::u16string& key, bool value);

}  // namespace dw
