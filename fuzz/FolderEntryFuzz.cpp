// Fuzzes the split of a folder entry line against a model of its rules, and
// checks that quoted fields always come back as they were.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzSupport.h"
#include "platform/Platform.h"
#include "store/FolderEntry.h"

namespace {

dw::Platform& SystemPlatform() {
  static const std::unique_ptr<dw::Platform> platform = dw::CreateSystemPlatform();
  return *platform;
}

using Fields = std::vector<std::u16string>;

// The rules written as a state machine over one character at a time: a field
// starts, runs plain or quoted, and a comma (with the marks after it) ends it.
Fields ModelSplit(std::u16string_view line, dw::Platform& platform) {
  enum class State { FieldStart, Plain, Quoted, QuoteSeen };
  Fields fields;
  std::u16string field;
  State state = State::FieldStart;
  bool skippingMarks = false;  // right after a comma
  bool pendingEmpty = false;   // a comma whose field has not started yet

  for (const char16_t c : line) {
    if (c == u'\0') break;
    if (skippingMarks) {
      if (platform.IsNonSpacingMark(c)) continue;
      skippingMarks = false;
    }
    switch (state) {
      case State::FieldStart:
        pendingEmpty = false;
        if (c == u'"') {
          state = State::Quoted;
        } else if (c == u',') {
          fields.emplace_back();  // an empty plain field
          skippingMarks = true;
          pendingEmpty = true;
        } else {
          field += c;
          state = State::Plain;
        }
        break;
      case State::Plain:
        if (c == u',') {
          fields.push_back(field);
          field.clear();
          state = State::FieldStart;
          skippingMarks = true;
          pendingEmpty = true;
        } else {
          field += c;
        }
        break;
      case State::Quoted:
        if (c == u'"') {
          state = State::QuoteSeen;
        } else {
          field += c;
        }
        break;
      case State::QuoteSeen:
        if (c == u'"') {  // a doubled quote stands for one
          field += c;
          state = State::Quoted;
        } else {
          // The quoted field closed at the previous quote.
          fields.push_back(field);
          field.clear();
          if (c == u',') {
            state = State::FieldStart;
            skippingMarks = true;
            pendingEmpty = true;
          } else {
            field += c;  // text after a closing quote starts the next field
            state = State::Plain;
          }
        }
        break;
    }
  }
  switch (state) {
    case State::FieldStart:
      if (pendingEmpty) fields.emplace_back();  // the line ended in a comma
      break;
    case State::Plain:
    case State::Quoted:
    case State::QuoteSeen:
      fields.push_back(field);
      break;
  }
  return fields;
}

// A line with every field quoted, doubled quotes inside.
std::u16string QuoteAll(const Fields& fields) {
  std::u16string line;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) line += u',';
    line += u'"';
    for (const char16_t c : fields[i]) {
      if (c == u'"') line += u'"';
      line += c;
    }
    line += u'"';
  }
  return line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  dw::Platform& platform = SystemPlatform();
  const std::u16string line =
      dwfuzz::UnitsFromBytes(std::string_view(reinterpret_cast<const char*>(data), size));

  const Fields fields = dw::SplitFolderEntry(line, platform);
  FUZZ_CHECK(fields == ModelSplit(line, platform));

  // Nothing at or after the first NUL counts: the line cut there splits the
  // same, and so does the cut line with any text after a NUL, quotes and
  // commas included.
  const std::u16string head = line.substr(0, line.find(u'\0'));
  FUZZ_CHECK(dw::SplitFolderEntry(head, platform) == fields);
  std::u16string longer = head;
  longer += u'\0';
  longer += u"\",x\"";
  longer += line;
  FUZZ_CHECK(dw::SplitFolderEntry(longer, platform) == fields);

  // A line without quotes, NULs or marks after commas is a plain split at
  // every comma, and joining the fields gives the line back.
  bool plain = line.find_first_of(std::u16string_view(u"\"\0", 2)) == std::u16string::npos;
  for (std::size_t i = 0; plain && i + 1 < line.size(); ++i) {
    if (line[i] == u',' && platform.IsNonSpacingMark(line[i + 1])) plain = false;
  }
  if (plain) {
    FUZZ_CHECK(line.empty() == fields.empty());
    std::u16string joined;
    for (std::size_t i = 0; i < fields.size(); ++i) {
      if (i > 0) joined += u',';
      FUZZ_CHECK(fields[i].find(u',') == std::u16string::npos);
      joined += fields[i];
    }
    FUZZ_CHECK(joined == line);
  }

  // Any fields (without NUL), each written quoted, split back to themselves:
  // the input cut at '|' gives the fields.
  Fields wanted(1);
  for (const char16_t c : line) {
    if (c == u'|') {
      wanted.emplace_back();
    } else if (c != u'\0') {
      wanted.back() += c;
    }
  }
  FUZZ_CHECK(dw::SplitFolderEntry(QuoteAll(wanted), platform) == wanted);
  return 0;
}
