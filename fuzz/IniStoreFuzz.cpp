// Fuzzes the INI store's parsing and editing: any file bytes read without
// harm, a written value reads back, and a write leaves the other lines and
// keys of the file as they were.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzSupport.h"
#include "platform/posix/IniStore.h"

namespace {

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t';
}

// What the store promises to be able to write so that it reads back.
bool Storable(std::u16string_view section, std::u16string_view key, std::u16string_view value) {
  for (const std::u16string_view text : {section, key, value}) {
    if (text.find_first_of(u"\r\n") != std::u16string_view::npos) return false;
  }
  if (section.find(u']') != std::u16string_view::npos) return false;
  if (key.find(u'=') != std::u16string_view::npos) return false;
  std::size_t first = 0;
  while (first < key.size() && IsBlank(key[first])) ++first;
  return first == key.size() || (key[first] != u';' && key[first] != u'[');
}

// One line of a file in its code units: the text without its line end, and
// that end ("\n", "\r\n", or none for the last line).
template <typename Unit>
struct Line {
  std::basic_string<Unit> text;
  std::basic_string<Unit> end;
};

template <typename Unit>
std::vector<Line<Unit>> LinesOf(std::basic_string_view<Unit> units) {
  std::vector<Line<Unit>> lines;
  std::size_t pos = 0;
  while (pos < units.size()) {
    const std::size_t nl = units.find(Unit('\n'), pos);
    const std::size_t stop = nl == std::basic_string_view<Unit>::npos ? units.size() : nl + 1;
    std::size_t textEnd = stop;
    if (nl != std::basic_string_view<Unit>::npos) {
      textEnd = nl;
      if (textEnd > pos && units[textEnd - 1] == Unit('\r')) --textEnd;
    }
    lines.push_back({std::basic_string<Unit>(units.substr(pos, textEnd - pos)),
                     std::basic_string<Unit>(units.substr(textEnd, stop - textEnd))});
    pos = stop;
  }
  return lines;
}

// A write replaces the text of at most one line, or adds at most two (a key,
// or a section and its key). Untouched lines keep their line ends; only an
// unended last line may gain an LF. A key that was there is changed in
// place, never added again.
template <typename Unit>
void CheckOtherLinesKept(std::basic_string_view<Unit> before, std::basic_string_view<Unit> after,
                         bool keyExisted) {
  const auto oldLines = LinesOf(before);
  const auto newLines = LinesOf(after);
  const std::size_t n = oldLines.size();
  const std::size_t m = newLines.size();
  // An unended last line that gains a line end may see its final CR become
  // part of that end.
  auto same = [&](std::size_t oldIndex, std::size_t newIndex) {
    const auto& was = oldLines[oldIndex].text;
    const auto& now = newLines[newIndex].text;
    return was == now ||
           (oldIndex == n - 1 && oldLines[oldIndex].end.empty() && now + Unit('\r') == was);
  };
  std::size_t prefix = 0;
  while (prefix < n && prefix < m && same(prefix, prefix)) ++prefix;
  std::size_t suffix = 0;
  while (prefix + suffix < n && prefix + suffix < m && same(n - 1 - suffix, m - 1 - suffix)) {
    ++suffix;
  }
  const std::size_t removed = n - prefix - suffix;
  const std::size_t added = m - prefix - suffix;
  FUZZ_CHECK(removed <= 1);
  FUZZ_CHECK(added <= 2);
  if (removed == 1) FUZZ_CHECK(added == 1);
  if (keyExisted) FUZZ_CHECK(added == removed);

  auto endKept = [&](std::size_t oldIndex, std::size_t newIndex) {
    const auto& was = oldLines[oldIndex].end;
    const auto& now = newLines[newIndex].end;
    const bool gained = oldIndex == n - 1 && was.empty();
    FUZZ_CHECK(gained || was == now);
  };
  for (std::size_t i = 0; i < prefix; ++i) endKept(i, i);
  for (std::size_t j = 0; j < suffix; ++j) endKept(n - 1 - j, m - 1 - j);
}

std::u16string Utf16Units(std::string_view bytes) {
  std::u16string units;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                   (static_cast<unsigned char>(bytes[i + 1]) << 8));
  }
  return units;
}

std::string Utf16File(std::u16string_view units) {
  std::string bytes = "\xFF\xFE";
  for (const char16_t u : units) {
    bytes += static_cast<char>(u & 0xFF);
    bytes += static_cast<char>(u >> 8);
  }
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const auto mode = input.ConsumeIntegral<std::uint8_t>();
  auto text = [&](std::size_t maxLength) {
    return dwfuzz::UnitsFromBytes(input.ConsumeRandomLengthString(maxLength));
  };
  std::u16string section = text(24);
  std::u16string key = text(24);
  std::u16string value = text(48);
  const std::u16string otherSection = text(24);
  const std::u16string otherKey = text(24);
  std::string file = input.ConsumeRemainingBytesAsString();
  // Half the runs edit a UTF-16 file built from the same kind of text.
  if (mode & 1) file = Utf16File(dwfuzz::UnitsFromBytes(file));
  const bool utf16 = std::string_view(file).starts_with("\xFF\xFE");
  if (!utf16) {
    // A UTF-8 file has no form for a lone surrogate; the store writes U+FFFD.
    section = dwfuzz::WellFormed(section);
    key = dwfuzz::WellFormed(key);
    value = dwfuzz::WellFormed(value);
  }

  // Reading never fails on any bytes.
  const std::optional<std::u16string> before = dw::ini::FindValue(file, section, key);
  const std::optional<std::u16string> otherBefore =
      dw::ini::FindValue(file, otherSection, otherKey);

  const std::optional<std::string> written = dw::ini::SetValue(file, section, key, value);
  FUZZ_CHECK(written.has_value() == Storable(section, key, value));
  if (!written) return 0;

  FUZZ_CHECK(dw::ini::FindValue(*written, section, key) == value);
  // Writing the same value again changes nothing.
  FUZZ_CHECK(dw::ini::SetValue(*written, section, key, value) == written);
  // Another key keeps its value, unless it names the same key after all.
  const std::optional<std::u16string> otherAfter =
      dw::ini::FindValue(*written, otherSection, otherKey);
  FUZZ_CHECK(otherAfter == otherBefore || otherAfter == value);

  if (utf16) {
    FUZZ_CHECK(std::string_view(*written).starts_with("\xFF\xFE"));
    // An odd last byte stays the last byte.
    if (file.size() % 2 != 0)
      FUZZ_CHECK(written->size() % 2 != 0 && written->back() == file.back());
    const std::u16string oldUnits = Utf16Units(std::string_view(file).substr(2));
    const std::u16string newUnits = Utf16Units(std::string_view(*written).substr(2));
    CheckOtherLinesKept<char16_t>(oldUnits, newUnits, before.has_value());
  } else {
    // The UTF-8 mark stays, and the lines after it are compared.
    const std::string_view mark = "\xEF\xBB\xBF";
    const std::size_t start = std::string_view(file).starts_with(mark) ? mark.size() : 0;
    FUZZ_CHECK(std::string_view(*written).substr(0, start) ==
               std::string_view(file).substr(0, start));
    CheckOtherLinesKept<char>(std::string_view(file).substr(start),
                              std::string_view(*written).substr(start), before.has_value());
  }
  return 0;
}
