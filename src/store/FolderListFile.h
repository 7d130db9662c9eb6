// The folder list file: an optional byte-order mark, then one folder entry
// per line. Read once at start-up, written by the close button.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dw {

class Platform;

struct TextEncoding {
  enum class Kind { Ansi, Utf8, Utf16LE, Utf16BE };
  Kind kind = Kind::Ansi;
  unsigned codePage = 0;  // for Ansi: the code page the file was read in
  bool operator==(const TextEncoding&) const = default;
};

// The lines of the folder list and the encoding found when the file was read
// (none when it was not read).
struct FolderList {
  std::vector<std::u16string> lines;
  std::optional<TextEncoding> encoding;
};

// Replaces list.lines with the file's lines and remembers its encoding.
// Throws EFOpenError when the file cannot be read, EEncodingError when its
// bytes do not decode.
void ReadFolderListFile(Platform& platform, const std::u16string& path, FolderList& list);

// Writes every line followed by CR LF, in the remembered encoding (or the
// ANSI code page), mark first. Throws EFCreateError or EWriteError; on
// failure the previous file is left as it was.
void WriteFolderListFile(Platform& platform, const std::u16string& path, const FolderList& list);

// The pieces of the two operations, for tests and benchmarks.
// Chooses the encoding by the leading bytes; markLength receives the mark's size.
TextEncoding DetectEncoding(std::string_view bytes, unsigned ansiCodePage,
                            std::size_t& markLength);
// Splits text at CR LF, lone CR and lone LF; a final break adds no empty line.
std::vector<std::u16string> SplitLines(std::u16string_view text);
// Decodes a whole file's bytes; throws EEncodingError.
std::vector<std::u16string> DecodeFolderList(Platform& platform, std::string_view bytes,
                                             TextEncoding& encoding);
// The mark (possibly empty) and the text bytes of a write.
struct EncodedFolderList {
  std::string mark;
  std::string text;
};
EncodedFolderList EncodeFolderList(Platform& platform, const std::vector<std::u16string>& lines,
                                   const TextEncoding& encoding);

}  // namespace dw
