#include "store/FolderEntry.h"

#include "platform/Platform.h"

namespace dw {

std::vector<std::u16string> SplitFolderEntry(std::u16string_view line, Platform& platform) {
  constexpr char16_t kDelimiter = u',';
  constexpr char16_t kQuote = u'"';

  // A NUL ends the line for splitting, though it stays in the stored line.
  const std::size_t nul = line.find(u'\0');
  if (nul != std::u16string_view::npos) line = line.substr(0, nul);
  const std::size_t end = line.size();

  std::vector<std::u16string> fields;
  std::size_t pos = 0;
  while (pos < end) {
    std::u16string field;
    if (line[pos] == kQuote) {
      ++pos;
      while (pos < end) {
        if (line[pos] == kQuote) {
          if (pos + 1 < end && line[pos + 1] == kQuote) {
            field += kQuote;
            pos += 2;
            continue;
          }
          ++pos;  // the closing quote
          break;
        }
        field += line[pos++];
      }
    } else {
      std::size_t next = line.find(kDelimiter, pos);
      if (next == std::u16string_view::npos) next = end;
      field.assign(line.substr(pos, next - pos));
      pos = next;
    }
    fields.push_back(std::move(field));

    if (pos < end && line[pos] == kDelimiter) {
      ++pos;
      while (pos < end && platform.IsNonSpacingMark(line[pos])) ++pos;
      if (pos == end) fields.emplace_back();
    }
    // Anything else here follows a closing quote and starts the next field.
  }
  return fields;
}

}  // namespace dw
