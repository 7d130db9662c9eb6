// Fuzzes the folder list file's decoding (any bytes, checked against a model
// of the mark, UTF-8, UTF-16 and line rules), its line split, and the round
// trip of encoding then decoding lines in every exact encoding.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzSupport.h"
#include "platform/Errors.h"
#include "platform/Platform.h"
#include "store/FolderListFile.h"

namespace {

using Lines = std::vector<std::u16string>;
using dw::TextEncoding;

// The system's services with the ANSI code page chosen by the input, so the
// code-page paths run for more than the machine's own locale.
class CodePagePlatform final : public dw::Platform {
 public:
  explicit CodePagePlatform(dw::Platform& system) : system_(system) {}
  void SetCodePage(unsigned codePage) { codePage_ = codePage; }

  std::u16string ProgramFilePath() override { return system_.ProgramFilePath(); }
  bool FolderExists(const std::u16string& path) override { return system_.FolderExists(path); }
  bool FileExists(const std::u16string& path) override { return system_.FileExists(path); }
  std::uint32_t ReadWholeFile(const std::u16string& path, std::string& bytes) override {
    return system_.ReadWholeFile(path, bytes);
  }
  dw::WriteResult WriteWholeFile(const std::u16string& path,
                                 const std::vector<std::string_view>& chunks) override {
    return system_.WriteWholeFile(path, chunks);
  }
  std::u16string ErrorText(std::uint32_t code) override { return system_.ErrorText(code); }
  unsigned AnsiCodePage() override { return codePage_; }
  std::u16string MultiByteToWide(unsigned codePage, std::string_view bytes) override {
    return system_.MultiByteToWide(codePage, bytes);
  }
  std::string WideToMultiByte(unsigned codePage, std::u16string_view text) override {
    return system_.WideToMultiByte(codePage, text);
  }
  bool IsNonSpacingMark(char16_t c) override { return system_.IsNonSpacingMark(c); }
  std::u16string ProfileRead(const std::u16string& section, const std::u16string& key,
                             const std::u16string& defaultValue,
                             const std::u16string& path) override {
    return system_.ProfileRead(section, key, defaultValue, path);
  }
  bool ProfileWrite(const std::u16string& section, const std::u16string& key,
                    const std::u16string& value, const std::u16string& path) override {
    return system_.ProfileWrite(section, key, value, path);
  }
  void ProfileFlush(const std::u16string& path) override { system_.ProfileFlush(path); }
  dw::ShellOpResult ShellFileOperation(void* ownerWindow, bool copy,
                                       const std::vector<std::u16string>& sources,
                                       const std::u16string& destination) override {
    return system_.ShellFileOperation(ownerWindow, copy, sources, destination);
  }
  void ShellOpenFolder(const std::u16string& path) override { system_.ShellOpenFolder(path); }

 private:
  dw::Platform& system_;
  unsigned codePage_ = dw::kCodePageUtf8;
};

CodePagePlatform& Platform() {
  static const std::unique_ptr<dw::Platform> system = dw::CreateSystemPlatform();
  static CodePagePlatform platform(*system);
  return platform;
}

constexpr unsigned kCodePages[] = {dw::kCodePageUtf8, 1252, 932, 936, 949, 950, 1251, 1250};

// ---- model ------------------------------------------------------------------

// Lines as the rules give them: CR LF, CR and LF each end one; a final break
// adds nothing.
Lines ModelSplitLines(std::u16string_view text) {
  Lines lines;
  std::u16string current;
  bool open = false;  // text since the last break
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c == u'\r' || c == u'\n') {
      lines.push_back(current);
      current.clear();
      open = false;
      if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    } else {
      current += c;
      open = true;
    }
  }
  if (open) lines.push_back(current);
  return lines;
}

void AppendCodePoint(std::u16string& out, char32_t cp) {
  if (cp < 0x10000) {
    out += static_cast<char16_t>(cp);
  } else {
    cp -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (cp >> 10));
    out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
  }
}

// Strict UTF-8 after the table of well-formed byte sequences: the lead byte
// fixes the length and the allowed range of the second byte.
std::optional<std::u16string> ModelDecodeUtf8(std::string_view bytes) {
  std::u16string out;
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto b0 = static_cast<unsigned char>(bytes[i]);
    int length = 0;
    unsigned char low = 0x80, high = 0xBF;
    char32_t cp = 0;
    if (b0 <= 0x7F) {
      out += static_cast<char16_t>(b0);
      ++i;
      continue;
    } else if (b0 >= 0xC2 && b0 <= 0xDF) {
      length = 2;
      cp = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
      length = 3;
      cp = b0 & 0x0F;
      if (b0 == 0xE0) low = 0xA0;
      if (b0 == 0xED) high = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
      length = 4;
      cp = b0 & 0x07;
      if (b0 == 0xF0) low = 0x90;
      if (b0 == 0xF4) high = 0x8F;
    } else {
      return std::nullopt;
    }
    if (i + static_cast<std::size_t>(length) > bytes.size()) return std::nullopt;
    for (int k = 1; k < length; ++k) {
      const auto b = static_cast<unsigned char>(bytes[i + static_cast<std::size_t>(k)]);
      if (k == 1 ? (b < low || b > high) : (b < 0x80 || b > 0xBF)) return std::nullopt;
      cp = (cp << 6) | (b & 0x3F);
    }
    AppendCodePoint(out, cp);
    i += static_cast<std::size_t>(length);
  }
  return out;
}

std::u16string ModelUtf16Units(std::string_view body, bool bigEndian) {
  std::u16string units;
  for (std::size_t i = 0; i + 1 < body.size(); i += 2) {
    const auto a = static_cast<unsigned char>(body[i]);
    const auto b = static_cast<unsigned char>(body[i + 1]);
    units += static_cast<char16_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
  }
  return units;
}

// ---- helpers ----------------------------------------------------------------

struct Decoded {
  bool failed = false;  // EEncodingError
  Lines lines;
  TextEncoding encoding;
};

Decoded Decode(std::string_view bytes) {
  Decoded result;
  try {
    result.lines = dw::DecodeFolderList(Platform(), bytes, result.encoding);
  } catch (const dw::EEncodingError&) {
    result.failed = true;
  }
  return result;
}

std::string FileBytes(const dw::EncodedFolderList& encoded) {
  return encoded.mark + encoded.text;
}

// An encoding whose write and read give back every well-formed line.
bool IsExact(const TextEncoding& encoding) {
  return encoding.kind != TextEncoding::Kind::Ansi || encoding.codePage == dw::kCodePageUtf8;
}

// ---- properties -------------------------------------------------------------

void CheckDecode(std::string_view bytes, unsigned codePage) {
  const Decoded got = Decode(bytes);

  if (bytes.starts_with("\xEF\xBB\xBF")) {
    const std::optional<std::u16string> text = ModelDecodeUtf8(bytes.substr(3));
    FUZZ_CHECK(got.failed == !text.has_value());
    if (text) {
      FUZZ_CHECK(got.encoding == (TextEncoding{TextEncoding::Kind::Utf8, 0}));
      FUZZ_CHECK(got.lines == ModelSplitLines(*text));
    }
  } else if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
    const bool bigEndian = bytes[0] == '\xFE';
    const std::string_view body = bytes.substr(2);
    FUZZ_CHECK(got.failed == (body.size() == 1));
    if (!got.failed) {
      const auto kind = bigEndian ? TextEncoding::Kind::Utf16BE : TextEncoding::Kind::Utf16LE;
      FUZZ_CHECK(got.encoding == (TextEncoding{kind, 0}));
      FUZZ_CHECK(got.lines == ModelSplitLines(ModelUtf16Units(body, bigEndian)));
    }
  } else {
    FUZZ_CHECK(!got.failed);
    FUZZ_CHECK(got.encoding == (TextEncoding{TextEncoding::Kind::Ansi, codePage}));
    FUZZ_CHECK(got.lines == ModelSplitLines(Platform().MultiByteToWide(codePage, bytes)));
  }
  if (got.failed) return;

  // Writing what was read and reading it again changes nothing in an exact
  // encoding; in a code page the write must at least not fail.
  const dw::EncodedFolderList again = dw::EncodeFolderList(Platform(), got.lines, got.encoding);
  if (!IsExact(got.encoding)) return;
  const Decoded reread = Decode(FileBytes(again));
  FUZZ_CHECK(!reread.failed);
  FUZZ_CHECK(reread.lines == got.lines);
}

void CheckRoundTrip(const Lines& lines, const TextEncoding& encoding) {
  const dw::EncodedFolderList encoded = dw::EncodeFolderList(Platform(), lines, encoding);

  std::string_view mark;
  std::string_view lineEnd = "\r\n";
  TextEncoding readAs = encoding;
  switch (encoding.kind) {
    case TextEncoding::Kind::Utf8:
      mark = "\xEF\xBB\xBF";
      break;
    case TextEncoding::Kind::Utf16LE:
      mark = "\xFF\xFE";
      lineEnd = std::string_view("\r\0\n\0", 4);
      break;
    case TextEncoding::Kind::Utf16BE:
      mark = "\xFE\xFF";
      lineEnd = std::string_view("\0\r\0\n", 4);
      break;
    case TextEncoding::Kind::Ansi:
      if (encoding.codePage == dw::kCodePageUtf8) {
        mark = "\xEF\xBB\xBF";
        readAs = TextEncoding{TextEncoding::Kind::Utf8, 0};
      }
      break;
  }
  FUZZ_CHECK(encoded.mark == mark);
  FUZZ_CHECK(encoded.text.empty() == lines.empty());
  if (!lines.empty()) FUZZ_CHECK(std::string_view(encoded.text).ends_with(lineEnd));

  const Decoded back = Decode(FileBytes(encoded));
  FUZZ_CHECK(!back.failed);
  FUZZ_CHECK(back.lines == lines);
  // Without a mark the reader takes the ANSI code page, which is this one.
  FUZZ_CHECK(back.encoding == readAs);
}

bool IsPrintableAscii(const Lines& lines) {
  for (const auto& line : lines) {
    for (const char16_t c : line) {
      if (c != u'\t' && (c < 0x20 || c > 0x7E)) return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const unsigned mode = data[0];
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  const unsigned codePage = kCodePages[mode % std::size(kCodePages)];
  Platform().SetCodePage(codePage);

  // Any bytes as a whole file.
  CheckDecode(bytes, codePage);

  // The split on its own, over any code units.
  const std::u16string text = dwfuzz::UnitsFromBytes(bytes);
  FUZZ_CHECK(dw::SplitLines(text) == ModelSplitLines(text));

  // Lines without CR or LF: the input's text cut at LF, CR left out; one mode
  // bit keeps the piece after the last LF, so empty lists and empty last
  // lines both occur.
  Lines lines(1);
  for (const char16_t c : text) {
    if (c == u'\n') {
      lines.emplace_back();
    } else if (c != u'\r') {
      lines.back() += c;
    }
  }
  if ((mode & 0x80) == 0) lines.pop_back();

  CheckRoundTrip(lines, {TextEncoding::Kind::Utf16LE, 0});
  CheckRoundTrip(lines, {TextEncoding::Kind::Utf16BE, 0});
  // UTF-8 holds well-formed text exactly; a lone surrogate has no UTF-8 form.
  Lines wellFormed;
  for (const auto& line : lines) wellFormed.push_back(dwfuzz::WellFormed(line));
  CheckRoundTrip(wellFormed, {TextEncoding::Kind::Utf8, 0});
  CheckRoundTrip(wellFormed, {TextEncoding::Kind::Ansi, dw::kCodePageUtf8});
  // Every ANSI code page keeps printable ASCII, the backslash included.
  if (IsPrintableAscii(lines)) CheckRoundTrip(lines, {TextEncoding::Kind::Ansi, codePage});
  return 0;
}
