#include "store/FolderListFile.h"

#include "platform/Errors.h"
#include "platform/Platform.h"
#include "platform/Utf.h"

namespace dw {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LEMark = "\xFF\xFE";
constexpr std::string_view kUtf16BEMark = "\xFE\xFF";

// Conversions run over pieces of about this many code units, each ending at a
// line break, so a large list is never held twice as one whole text.
constexpr std::size_t kChunkUnits = std::size_t{1} << 16;

// Calls emit(begin, end) for each line of count units: CR LF, lone CR and lone
// LF end a line; a break at the very end starts no further line.
template <typename UnitAt, typename Emit>
void ForEachLine(std::size_t count, UnitAt unitAt, Emit emit) {
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < count) {
    const auto c = unitAt(i);
    if (c == '\r' || c == '\n') {
      emit(start, i);
      ++i;
      if (c == '\r' && i < count && unitAt(i) == '\n') ++i;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < count) emit(start, count);
}

std::vector<std::u16string> DecodeUtf8Lines(std::string_view body) {
  std::vector<std::u16string> lines;
  // CR and LF bytes never occur inside a multi-byte sequence, so each line
  // can be decoded on its own; a sequence cut by a break is invalid either way.
  ForEachLine(
      body.size(), [&](std::size_t i) { return body[i]; },
      [&](std::size_t begin, std::size_t end) {
        std::u16string line;
        if (!DecodeUtf8Strict(body.substr(begin, end - begin), line)) throw EEncodingError();
        lines.push_back(std::move(line));
      });
  return lines;
}

std::vector<std::u16string> DecodeUtf16Lines(std::string_view body, bool bigEndian) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(body.data());
  // An odd last byte is dropped.
  const std::size_t count = body.size() / 2;
  const std::size_t high = bigEndian ? 0 : 1;
  const std::size_t low = 1 - high;
  auto unitAt = [&](std::size_t i) {
    return static_cast<char16_t>((bytes[2 * i + high] << 8) | bytes[2 * i + low]);
  };
  std::vector<std::u16string> lines;
  ForEachLine(count, unitAt, [&](std::size_t begin, std::size_t end) {
    std::u16string line(end - begin, u'\0');
    for (std::size_t i = begin; i < end; ++i) line[i - begin] = unitAt(i);
    lines.push_back(std::move(line));
  });
  return lines;
}

// Decodes the file's bytes; when owned is given, it holds those bytes and is
// released as soon as they are no longer needed.
std::vector<std::u16string> Decode(Platform& platform, std::string_view bytes,
                                   TextEncoding& encoding, std::string* owned) {
  std::size_t markLength = 0;
  const TextEncoding found = DetectEncoding(bytes, platform.AnsiCodePage(), markLength);
  const std::string_view body = bytes.substr(markLength);
  std::vector<std::u16string> lines;
  switch (found.kind) {
    case TextEncoding::Kind::Utf8:
      lines = DecodeUtf8Lines(body);
      break;
    case TextEncoding::Kind::Utf16LE:
    case TextEncoding::Kind::Utf16BE:
      if (body.size() == 1) throw EEncodingError();
      lines = DecodeUtf16Lines(body, found.kind == TextEncoding::Kind::Utf16BE);
      break;
    case TextEncoding::Kind::Ansi: {
      const std::u16string text =
          body.empty() ? std::u16string() : platform.MultiByteToWide(found.codePage, body);
      if (owned != nullptr) std::string().swap(*owned);
      lines = SplitLines(text);
      break;
    }
  }
  encoding = found;
  return lines;
}

// Feeds the lines, each followed by CR LF, to convert in pieces that end at a
// line break.
template <typename Convert>
void ConvertInChunks(const std::vector<std::u16string>& lines, Convert convert) {
  std::u16string chunk;
  chunk.reserve(kChunkUnits + 2);
  for (const auto& line : lines) {
    chunk += line;
    chunk += u"\r\n";
    if (chunk.size() >= kChunkUnits) {
      convert(std::u16string_view(chunk));
      chunk.clear();
    }
  }
  if (!chunk.empty()) convert(std::u16string_view(chunk));
}

}  // namespace

TextEncoding DetectEncoding(std::string_view bytes, unsigned ansiCodePage,
                            std::size_t& markLength) {
  if (bytes.starts_with(kUtf8Mark)) {
    markLength = kUtf8Mark.size();
    return {TextEncoding::Kind::Utf8, 0};
  }
  // FF FE 00 00 stays UTF-16 little-endian: no UTF-32 here.
  if (bytes.starts_with(kUtf16LEMark)) {
    markLength = kUtf16LEMark.size();
    return {TextEncoding::Kind::Utf16LE, 0};
  }
  if (bytes.starts_with(kUtf16BEMark)) {
    markLength = kUtf16BEMark.size();
    return {TextEncoding::Kind::Utf16BE, 0};
  }
  markLength = 0;
  return {TextEncoding::Kind::Ansi, ansiCodePage};
}

std::vector<std::u16string> SplitLines(std::u16string_view text) {
  std::vector<std::u16string> lines;
  ForEachLine(
      text.size(), [&](std::size_t i) { return text[i]; },
      [&](std::size_t begin, std::size_t end) {
        lines.emplace_back(text.substr(begin, end - begin));
      });
  return lines;
}

std::vector<std::u16string> DecodeFolderList(Platform& platform, std::string_view bytes,
                                             TextEncoding& encoding) {
  return Decode(platform, bytes, encoding, nullptr);
}

EncodedFolderList EncodeFolderList(Platform& platform, const std::vector<std::u16string>& lines,
                                   const TextEncoding& encoding) {
  std::size_t units = 0;
  for (const auto& line : lines) units += line.size() + 2;

  EncodedFolderList out;
  switch (encoding.kind) {
    case TextEncoding::Kind::Utf8:
      out.mark = std::string(kUtf8Mark);
      out.text.reserve(units);
      ConvertInChunks(lines, [&](std::u16string_view chunk) { out.text += ToUtf8(chunk); });
      break;
    case TextEncoding::Kind::Utf16LE:
    case TextEncoding::Kind::Utf16BE: {
      const bool bigEndian = encoding.kind == TextEncoding::Kind::Utf16BE;
      out.mark = std::string(bigEndian ? kUtf16BEMark : kUtf16LEMark);
      // The code units go out as they are, unpaired surrogates included.
      out.text.resize(2 * units);
      char* at = out.text.data();
      auto put = [&](char16_t unit) {
        const char hi = static_cast<char>(unit >> 8);
        const char lo = static_cast<char>(unit & 0xFF);
        *at++ = bigEndian ? hi : lo;
        *at++ = bigEndian ? lo : hi;
      };
      for (const auto& line : lines) {
        for (const char16_t unit : line) put(unit);
        put(u'\r');
        put(u'\n');
      }
      break;
    }
    case TextEncoding::Kind::Ansi:
      if (encoding.codePage == kCodePageUtf8) out.mark = std::string(kUtf8Mark);
      out.text.reserve(units);
      ConvertInChunks(lines, [&](std::u16string_view chunk) {
        out.text += platform.WideToMultiByte(encoding.codePage, chunk);
      });
      break;
  }
  return out;
}

void ReadFolderListFile(Platform& platform, const std::u16string& path, FolderList& list) {
  std::string bytes;
  if (const std::uint32_t code = platform.ReadWholeFile(path, bytes); code != 0) {
    throw EFOpenError(path, platform.ErrorText(code));
  }
  TextEncoding encoding;
  std::vector<std::u16string> lines = Decode(platform, bytes, encoding, &bytes);
  list.lines = std::move(lines);
  list.encoding = encoding;
}

void WriteFolderListFile(Platform& platform, const std::u16string& path, const FolderList& list) {
  const TextEncoding encoding =
      list.encoding.value_or(TextEncoding{TextEncoding::Kind::Ansi, platform.AnsiCodePage()});
  const EncodedFolderList encoded = EncodeFolderList(platform, list.lines, encoding);

  // The mark and the text are one write each; an encoding without a mark
  // writes the text alone.
  std::vector<std::string_view> chunks;
  if (!encoded.mark.empty()) chunks.push_back(encoded.mark);
  chunks.push_back(encoded.text);

  const WriteResult result = platform.WriteWholeFile(path, chunks);
  switch (result.stage) {
    case WriteResult::Stage::Ok:
      return;
    case WriteResult::Stage::Create:
      throw EFCreateError(path, platform.ErrorText(result.code));
    case WriteResult::Stage::Write:
      throw EWriteError();
  }
}

}  // namespace dw
