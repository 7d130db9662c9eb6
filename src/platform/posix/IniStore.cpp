#include "platform/posix/IniStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unicode/uchar.h>
#include <unicode/utf16.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

#include "platform/Utf.h"
#include "platform/posix/AtomicFile.h"
#include "platform/posix/Fd.h"

namespace dw::ini {
namespace {

// ---- text units -------------------------------------------------------------
// UTF-8 files are edited as bytes and UTF-16LE files as 16-bit units, so the
// lines we do not touch keep every unit, even ones that do not decode.

std::u16string Decode(std::string_view units) {
  return FromUtf8(units);
}
std::u16string Decode(std::u16string_view units) {
  return std::u16string(units);
}

template <typename Unit>
std::basic_string<Unit> Encode(std::u16string_view text);
template <>
std::string Encode<char>(std::u16string_view text) {
  return ToUtf8(text);
}
template <>
std::u16string Encode<char16_t>(std::u16string_view text) {
  return std::u16string(text);
}

template <typename Unit>
bool IsBlank(Unit c) {
  return c == Unit(' ') || c == Unit('\t');
}

std::u16string_view Trim(std::u16string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Names compare by simple case folding per code point, so "Form", "FORM" and
// "form" are one section.
std::u16string FoldName(std::u16string_view name) {
  name = Trim(name);
  std::u16string out;
  out.reserve(name.size());
  std::size_t i = 0;
  while (i < name.size()) {
    UChar32 c;
    U16_NEXT(name.data(), i, name.size(), c);
    c = u_foldCase(c, U_FOLD_CASE_DEFAULT);
    if (U_IS_BMP(c)) {
      out += static_cast<char16_t>(c);
    } else {
      out += static_cast<char16_t>(U16_LEAD(c));
      out += static_cast<char16_t>(U16_TRAIL(c));
    }
  }
  return out;
}

// ---- lines ------------------------------------------------------------------

enum class Kind { Other, Section, Key };

struct Line {
  std::size_t begin = 0;       // first unit
  std::size_t contentEnd = 0;  // before the line end ("\n" or "\r\n")
  std::size_t end = 0;         // after the line end
  Kind kind = Kind::Other;
  std::size_t nameBegin = 0, nameEnd = 0;    // section or key name, trimmed
  std::size_t valueBegin = 0, valueEnd = 0;  // key value, trimmed
  bool loneCrEnd = false;                    // the file's last line, ended by a CR without LF
  bool HasLineEnd() const { return end > contentEnd && !loneCrEnd; }
};

template <typename Unit>
std::vector<Line> SplitLines(std::basic_string_view<Unit> text, std::size_t start) {
  std::vector<Line> lines;
  std::size_t pos = start;
  while (pos < text.size()) {
    Line line;
    line.begin = pos;
    std::size_t nl = text.find(Unit('\n'), pos);
    if (nl == std::basic_string_view<Unit>::npos) {
      // A CR closing the file is a line end too, so a value reads the same
      // before and after a later write completes that line end.
      line.end = text.size();
      line.loneCrEnd = line.end > pos && text[line.end - 1] == Unit('\r');
      line.contentEnd = line.loneCrEnd ? line.end - 1 : line.end;
    } else {
      line.end = nl + 1;
      line.contentEnd = (nl > pos && text[nl - 1] == Unit('\r')) ? nl - 1 : nl;
    }
    pos = line.end;

    std::size_t b = line.begin, e = line.contentEnd;
    while (b < e && IsBlank(text[b])) ++b;
    while (e > b && IsBlank(text[e - 1])) --e;
    if (b == e || text[b] == Unit(';')) {
      line.kind = Kind::Other;
    } else if (text[b] == Unit('[')) {
      // "[name]"; anything after the bracket does not count, and a missing
      // bracket leaves the name running to the end of the line.
      line.kind = Kind::Section;
      std::size_t nb = b + 1;
      std::size_t ne = text.find(Unit(']'), nb);
      if (ne == std::basic_string_view<Unit>::npos || ne > e) ne = e;
      while (nb < ne && IsBlank(text[nb])) ++nb;
      while (ne > nb && IsBlank(text[ne - 1])) --ne;
      line.nameBegin = nb;
      line.nameEnd = ne;
    } else {
      std::size_t eq = text.find(Unit('='), b);
      if (eq != std::basic_string_view<Unit>::npos && eq < e) {
        line.kind = Kind::Key;
        std::size_t ne = eq;
        while (ne > b && IsBlank(text[ne - 1])) --ne;
        line.nameBegin = b;
        line.nameEnd = ne;
        std::size_t vb = eq + 1;
        while (vb < e && IsBlank(text[vb])) ++vb;
        line.valueBegin = vb;
        line.valueEnd = e;
      }
    }
    lines.push_back(line);
  }
  return lines;
}

// Where a key is, or would go.
struct Place {
  std::optional<std::size_t> section;  // index of the section line
  std::optional<std::size_t> key;      // index of the key line
  std::size_t lastKey = 0;             // the section's last key line, or its header
};

template <typename Unit>
Place Locate(std::basic_string_view<Unit> text, const std::vector<Line>& lines,
             std::u16string_view section, std::u16string_view key) {
  auto name = [&](const Line& l) {
    return FoldName(Decode(text.substr(l.nameBegin, l.nameEnd - l.nameBegin)));
  };
  const std::u16string wantSection = FoldName(section);
  const std::u16string wantKey = FoldName(key);
  Place place;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const Line& l = lines[i];
    if (!place.section) {
      if (l.kind == Kind::Section && name(l) == wantSection) {
        place.section = i;
        place.lastKey = i;
      }
      continue;
    }
    if (l.kind == Kind::Section) break;
    if (l.kind != Kind::Key) continue;
    place.lastKey = i;
    if (!place.key && name(l) == wantKey) place.key = i;
  }
  return place;
}

std::u16string Unquote(std::u16string value) {
  if (value.size() >= 2 && value.front() == value.back() &&
      (value.front() == u'"' || value.front() == u'\'')) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

// Quotes a value whose blanks or quotes would otherwise be lost on reading.
std::u16string QuoteIfNeeded(std::u16string_view value) {
  if (value.empty()) return {};
  const bool blankEdge = IsBlank(value.front()) || IsBlank(value.back());
  const bool quoted = Unquote(std::u16string(value)).size() != value.size();
  if (!blankEdge && !quoted) return std::u16string(value);
  // Built step by step: GCC 12 at -O3 warns falsely (-Wrestrict) on a + chain here.
  std::u16string result(1, u'"');
  result.append(value);
  result += u'"';
  return result;
}

template <typename Unit>
std::optional<std::u16string> FindIn(std::basic_string_view<Unit> text, std::size_t start,
                                     std::u16string_view section, std::u16string_view key) {
  const std::vector<Line> lines = SplitLines(text, start);
  const Place place = Locate(text, lines, section, key);
  if (!place.key) return std::nullopt;
  const Line& l = lines[*place.key];
  return Unquote(Decode(text.substr(l.valueBegin, l.valueEnd - l.valueBegin)));
}

template <typename Unit>
std::basic_string<Unit> SetIn(std::basic_string_view<Unit> text, std::size_t start,
                              std::u16string_view section, std::u16string_view key,
                              std::u16string_view value) {
  const std::vector<Line> lines = SplitLines(text, start);
  const Place place = Locate(text, lines, section, key);
  const std::basic_string<Unit> newValue = Encode<Unit>(QuoteIfNeeded(value));

  std::basic_string<Unit> out(text);
  if (place.key) {
    const Line& l = lines[*place.key];
    out.replace(l.valueBegin, l.valueEnd - l.valueBegin, newValue);
    return out;
  }

  // New lines end like the file's first line; CR LF when it has none.
  std::basic_string<Unit> eol = Encode<Unit>(u"\r\n");
  for (const Line& l : lines) {
    if (l.HasLineEnd()) {
      if (l.end - l.contentEnd == 1) eol = Encode<Unit>(u"\n");
      break;
    }
  }
  const std::basic_string<Unit> keyLine = Encode<Unit>(Trim(key)) + Unit('=') + newValue + eol;
  // What completes the line end of an unterminated last line.
  const auto closing = [&](const Line& l) {
    return l.loneCrEnd ? std::basic_string<Unit>(1, Unit('\n')) : eol;
  };

  if (place.section) {
    const Line& after = lines[place.lastKey];
    std::basic_string<Unit> insert = after.HasLineEnd() ? keyLine : closing(after) + keyLine;
    out.insert(after.end, insert);
    return out;
  }
  if (!lines.empty() && !lines.back().HasLineEnd()) out += closing(lines.back());
  out += Unit('[');
  out += Encode<Unit>(Trim(section));
  out += Unit(']');
  out += eol;
  out += keyLine;
  return out;
}

bool HasLineBreak(std::u16string_view s) {
  return s.find_first_of(u"\r\n") != std::u16string_view::npos;
}

bool Storable(std::u16string_view section, std::u16string_view key, std::u16string_view value) {
  if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value)) return false;
  if (section.find(u']') != std::u16string_view::npos) return false;
  if (key.find(u'=') != std::u16string_view::npos) return false;
  const std::u16string_view k = Trim(key);
  if (!k.empty() && (k.front() == u';' || k.front() == u'[')) return false;
  return true;
}

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";

bool IsUtf16Le(std::string_view file) {
  return file.substr(0, 2) == kUtf16LeBom;
}

// UTF-16LE bytes after the mark as units; an odd last byte is kept aside.
std::u16string Utf16Units(std::string_view bytes) {
  std::u16string units(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                     (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  }
  return units;
}

std::string Utf16Bytes(std::u16string_view units) {
  std::string bytes;
  bytes.reserve(units.size() * 2);
  for (char16_t u : units) {
    bytes += static_cast<char>(u & 0xFF);
    bytes += static_cast<char>(u >> 8);
  }
  return bytes;
}

// ---- files ------------------------------------------------------------------

}  // namespace

std::optional<std::u16string> FindValue(std::string_view file, std::u16string_view section,
                                        std::u16string_view key) {
  if (IsUtf16Le(file)) {
    const std::u16string units = Utf16Units(file.substr(kUtf16LeBom.size()));
    return FindIn<char16_t>(units, 0, section, key);
  }
  const std::size_t start = file.substr(0, kUtf8Bom.size()) == kUtf8Bom ? kUtf8Bom.size() : 0;
  return FindIn<char>(file, start, section, key);
}

std::optional<std::string> SetValue(std::string_view file, std::u16string_view section,
                                    std::u16string_view key, std::u16string_view value) {
  if (!Storable(section, key, value)) return std::nullopt;
  if (IsUtf16Le(file)) {
    const std::string_view body = file.substr(kUtf16LeBom.size());
    const std::u16string units = Utf16Units(body);
    std::string out(kUtf16LeBom);
    out += Utf16Bytes(SetIn<char16_t>(units, 0, section, key, value));
    if (body.size() % 2 != 0) out += body.back();
    return out;
  }
  const std::size_t start = file.substr(0, kUtf8Bom.size()) == kUtf8Bom ? kUtf8Bom.size() : 0;
  return SetIn<char>(file, start, section, key, value);
}

LoadStatus LoadFile(const std::string& path, std::string& bytes) {
  bytes.clear();
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) {
    return (errno == ENOENT || errno == ENOTDIR) ? LoadStatus::Missing : LoadStatus::Failed;
  }
  struct stat st;
  if (::fstat(fd.get(), &st) != 0 || S_ISDIR(st.st_mode)) return LoadStatus::Failed;
  char buffer[16384];
  for (;;) {
    const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      bytes.clear();
      return LoadStatus::Failed;
    }
    if (n == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  return LoadStatus::Ok;
}

bool SaveFile(const std::string& path, std::string_view bytes) {
  return WriteFileAtomically(path, {bytes}).ok();
}

std::u16string ReadString(const std::string& path, std::u16string_view section,
                          std::u16string_view key, std::u16string_view defaultValue) {
  std::u16string result(defaultValue);
  std::string bytes;
  if (LoadFile(path, bytes) == LoadStatus::Ok) {
    if (auto value = FindValue(bytes, section, key)) result = std::move(*value);
  }
  if (result.size() > kMaxReadLength) result.resize(kMaxReadLength);
  return result;
}

bool WriteString(const std::string& path, std::u16string_view section, std::u16string_view key,
                 std::u16string_view value) {
  std::string bytes;
  if (LoadFile(path, bytes) == LoadStatus::Failed) return false;
  const std::optional<std::string> updated = SetValue(bytes, section, key, value);
  if (!updated) return false;
  return SaveFile(path, *updated);
}

}  // namespace dw::ini
