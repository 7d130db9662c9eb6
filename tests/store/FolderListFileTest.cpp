#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/Errors.h"
#include "platform/Utf.h"
#include "store/FolderListFile.h"
#include "store/StorePlatforms.h"
#include "support/TestSupport.h"

namespace dw {
namespace {

using namespace std::string_literals;
using test::Hex;
using Kind = TextEncoding::Kind;
using Lines = std::vector<std::u16string>;

const TextEncoding kUtf8{Kind::Utf8, 0};
const TextEncoding kUtf16LE{Kind::Utf16LE, 0};
const TextEncoding kUtf16BE{Kind::Utf16BE, 0};
TextEncoding Ansi(unsigned codePage) {
  return {Kind::Ansi, codePage};
}

std::string Utf8(std::u16string_view text) {
  return ToUtf8(text);
}

std::string Utf16(std::u16string_view text, bool bigEndian) {
  std::string out;
  for (const char16_t unit : text) {
    const char hi = static_cast<char>(unit >> 8);
    const char lo = static_cast<char>(unit & 0xFF);
    out += bigEndian ? hi : lo;
    out += bigEndian ? lo : hi;
  }
  return out;
}

std::set<std::string> Listing(const std::filesystem::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

TEST(DetectEncoding, ChoosesByTheLeadingBytes) {
  struct Case {
    std::string bytes;
    Kind kind;
    std::size_t markLength;
  };
  const Case cases[] = {
      {"", Kind::Ansi, 0},
      {Hex("EF"), Kind::Ansi, 0},
      {Hex("EF BB"), Kind::Ansi, 0},
      {Hex("EF BB BF"), Kind::Utf8, 3},
      {Hex("EF BB BF FF FE"), Kind::Utf8, 3},
      {Hex("FF"), Kind::Ansi, 0},
      {Hex("FF FE"), Kind::Utf16LE, 2},
      {Hex("FF FE 00 00"), Kind::Utf16LE, 2},
      {Hex("FE FF"), Kind::Utf16BE, 2},
      {Hex("FE FF 00 41"), Kind::Utf16BE, 2},
      {Hex("FE"), Kind::Ansi, 0},
      {Hex("BB EF BF"), Kind::Ansi, 0},
      {Hex("00 00 FE FF"), Kind::Ansi, 0},
      {"C:\\A,B", Kind::Ansi, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    std::size_t markLength = 99;
    const TextEncoding found = DetectEncoding(c.bytes, 932, markLength);
    EXPECT_EQ(found.kind, c.kind);
    EXPECT_EQ(markLength, c.markLength);
    EXPECT_EQ(found.codePage, c.kind == Kind::Ansi ? 932u : 0u);
  }
}

TEST(SplitLines, BreakRules) {
  struct Case {
    std::u16string text;
    Lines lines;
  };
  const Case cases[] = {
      {u"", {}},
      {u"a", {u"a"}},
      {u"a\r\n", {u"a"}},
      {u"a\r\nb", {u"a", u"b"}},
      {u"a\rb\nc\r\nd", {u"a", u"b", u"c", u"d"}},
      {u"a\n\rb", {u"a", u"", u"b"}},
      {u"a\r\rb", {u"a", u"", u"b"}},
      {u"a\n\nb\n", {u"a", u"", u"b"}},
      {u"a\r\n\r\n", {u"a", u""}},
      {u"\r\n", {u""}},
      {u"\n", {u""}},
      {u"\r", {u""}},
      {u"\r\n\r", {u"", u""}},
      {u"\t a \x01\0b\x0B\x0C"s, {u"\t a \x01\0b\x0B\x0C"s}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf8(c.text));
    EXPECT_EQ(SplitLines(c.text), c.lines);
  }
}

TEST(EncodeFolderList, BytesOfEachEncoding) {
  struct Case {
    const char* name;
    TextEncoding encoding;
    Lines lines;
    std::string mark;
    std::string text;
  };
  const Case cases[] = {
      {"utf8",
       kUtf8,
       {u"A", u"", u"\u00E9\u65E5"},
       Hex("EF BB BF"),
       Hex("41 0D 0A 0D 0A C3 A9 E6 97 A5 0D 0A")},
      {"utf8 empty", kUtf8, {}, Hex("EF BB BF"), ""},
      {"utf8 empty line", kUtf8, {u""}, Hex("EF BB BF"), Hex("0D 0A")},
      {"utf16le",
       kUtf16LE,
       {u"A", u"\u65E5"},
       Hex("FF FE"),
       Hex("41 00 0D 00 0A 00 E5 65 0D 00 0A 00")},
      {"utf16be",
       kUtf16BE,
       {u"A", u"\u65E5"},
       Hex("FE FF"),
       Hex("00 41 00 0D 00 0A 65 E5 00 0D 00 0A")},
      {"utf16le raw units",
       kUtf16LE,
       {u"\xD800"s + u"\0"s},
       Hex("FF FE"),
       Hex("00 D8 00 00 0D 00 0A 00")},
      {"utf16be empty", kUtf16BE, {}, Hex("FE FF"), ""},
      {"ansi 1252",
       Ansi(1252),
       {u"C:\\\u00E9,\u20AC", u"A"},
       "",
       Hex("43 3A 5C E9 2C 80 0D 0A 41 0D 0A")},
      {"ansi 932",
       Ansi(932),
       {u"\u65E5\u672C,\u6587\u66F8"},
       "",
       Hex("93 FA 96 7B 2C 95 B6 8F 91 0D 0A")},
      {"ansi 1252 empty", Ansi(1252), {}, "", ""},
      {"ansi 65001", Ansi(65001), {u"\u00E9"}, Hex("EF BB BF"), Hex("C3 A9 0D 0A")},
      {"ansi 65001 empty", Ansi(65001), {}, Hex("EF BB BF"), ""},
      {"line break inside a line", kUtf8, {u"A\nB"}, Hex("EF BB BF"), Hex("41 0A 42 0D 0A")},
  };
  test::SystemPlatformFor platform;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const EncodedFolderList encoded = EncodeFolderList(platform, c.lines, c.encoding);
    EXPECT_EQ(encoded.mark, c.mark);
    EXPECT_EQ(encoded.text, c.text);
  }
}

TEST(EncodeFolderList, UnmappableCharacterBecomesTheDefaultCharacter) {
  test::SystemPlatformFor platform;
  const EncodedFolderList encoded = EncodeFolderList(platform, {u"\u65E5"}, Ansi(1252));
  EXPECT_EQ(encoded.mark, "");
  ASSERT_EQ(encoded.text.size(), 3u);
  EXPECT_NE(encoded.text[0], '\0');
  EXPECT_EQ(encoded.text.substr(1), "\r\n");
}

TEST(EncodeFolderList, LargeListsConvertInPiecesWithoutLoss) {
  // Enough lines for several conversion pieces, with multibyte characters
  // on every line so a piece boundary inside a character would show.
  Lines lines;
  std::string expected;
  for (int i = 0; i < 40000; ++i) {
    const std::u16string line = u"C:\\\u65E5\u672C\\" + FromUtf8(std::to_string(i)) + u",\u6587";
    lines.push_back(line);
    expected += Hex("43 3A 5C 93 FA 96 7B 5C") + std::to_string(i) + Hex("2C 95 B6 0D 0A");
  }
  test::SystemPlatformFor platform;
  EXPECT_EQ(EncodeFolderList(platform, lines, Ansi(932)).text, expected);
}

// A file's bytes, read and written back through the system platform with the
// given ANSI code page.
struct RoundTrip {
  const char* name;
  unsigned ansiCodePage;
  std::string file;
  TextEncoding encoding;
  Lines lines;
  std::optional<std::string> written;  // none: the same bytes as read
};

void CheckRoundTrip(const RoundTrip& c) {
  SCOPED_TRACE(c.name);
  test::TempDir dir;
  const auto file = dir / "Dropwell.txt";
  test::WriteBytes(file, c.file);
  test::SystemPlatformFor platform(c.ansiCodePage);

  FolderList list{{u"stale line"}, std::nullopt};
  ReadFolderListFile(platform, dir.U16("Dropwell.txt"), list);
  ASSERT_TRUE(list.encoding.has_value());
  EXPECT_EQ(*list.encoding, c.encoding);
  EXPECT_EQ(list.lines, c.lines);

  WriteFolderListFile(platform, dir.U16("Dropwell.txt"), list);
  EXPECT_EQ(test::ReadBytes(file), c.written.value_or(c.file));
}

TEST(FolderListFile, RoundTripsEveryEncodingByteForByte) {
  const RoundTrip cases[] = {
      {"ansi 1252",
       1252,
       Hex("43 3A 5C E9 2C 80 0D 0A 41 2C 42 0D 0A"),
       Ansi(1252),
       {u"C:\\\u00E9,\u20AC", u"A,B"},
       std::nullopt},
      {"ansi 932",
       932,
       Hex("43 3A 5C 93 FA 96 7B 2C 95 B6 8F 91 0D 0A 0D 0A"),
       Ansi(932),
       {u"C:\\\u65E5\u672C,\u6587\u66F8", u""},
       std::nullopt},
      {"utf8",
       1252,
       Hex("EF BB BF") + Utf8(u"C:\\\u65E5\u672C,Docs\r\n\r\nC:\\\U0001F600,x\r\n"),
       kUtf8,
       {u"C:\\\u65E5\u672C,Docs", u"", u"C:\\\U0001F600,x"},
       std::nullopt},
      {"utf16le",
       1252,
       Hex("FF FE") + Utf16(u"C:\\\u65E5,\u6587\r\nC:\\\U0001F600,x\r\n", false),
       kUtf16LE,
       {u"C:\\\u65E5,\u6587", u"C:\\\U0001F600,x"},
       std::nullopt},
      {"utf16be",
       1252,
       Hex("FE FF") + Utf16(u"C:\\\u65E5,\u6587\r\nC:\\\U0001F600,x\r\n", true),
       kUtf16BE,
       {u"C:\\\u65E5,\u6587", u"C:\\\U0001F600,x"},
       std::nullopt},
      {"utf16le lone surrogates kept",
       1252,
       Hex("FF FE 00 DC 00 D8 0D 00 0A 00"),
       kUtf16LE,
       {u"\xDC00\xD800"},
       std::nullopt},
      {"empty file", 1252, "", Ansi(1252), {}, std::nullopt},
      {"utf8 mark only", 1252, Hex("EF BB BF"), kUtf8, {}, std::nullopt},
      {"utf16le mark only", 1252, Hex("FF FE"), kUtf16LE, {}, std::nullopt},
      {"utf16be mark only", 1252, Hex("FE FF"), kUtf16BE, {}, std::nullopt},
      {"ansi 65001 file without mark gains one",
       65001,
       Utf8(u"\u00E9\r\n"),
       Ansi(65001),
       {u"\u00E9"},
       Hex("EF BB BF") + Utf8(u"\u00E9\r\n")},
      {"utf8 without mark misread in 1252",
       1252,
       Hex("C3 A9 0D 0A"),
       Ansi(1252),
       {u"\u00C3\u00A9"},
       std::nullopt},
      {"nul characters stay",
       1252,
       Hex("41 00 42 2C 43 0D 0A"),
       Ansi(1252),
       {u"A\0B,C"s},
       std::nullopt},
      {"nul characters stay in utf8",
       1252,
       Hex("EF BB BF 41 00 0D 0A"),
       kUtf8,
       {u"A\0"s},
       std::nullopt},
      {"utf16le mark then nul unit",
       1252,
       Hex("FF FE 00 00"),
       kUtf16LE,
       {u"\0"s},
       Hex("FF FE 00 00 0D 00 0A 00")},
      {"utf16 odd last byte dropped",
       1252,
       Hex("FF FE 41 00 42"),
       kUtf16LE,
       {u"A"},
       Hex("FF FE 41 00 0D 00 0A 00")},
      {"utf16be odd last byte dropped",
       1252,
       Hex("FE FF 00 41 00"),
       kUtf16BE,
       {u"A"},
       Hex("FE FF 00 41 00 0D 00 0A")},
  };
  for (const auto& c : cases) CheckRoundTrip(c);
}

TEST(FolderListFile, LineBreaksAreReadInEveryFormAndWrittenAsCrLf) {
  const std::u16string text = u"a\nb\rc\r\nd\n\re\r\r\n\nf";
  const Lines lines = {u"a", u"b", u"c", u"d", u"", u"e", u"", u"", u"f"};
  const std::u16string written = u"a\r\nb\r\nc\r\nd\r\n\r\ne\r\n\r\n\r\nf\r\n";
  const RoundTrip cases[] = {
      {"ansi 1252", 1252, Utf8(text), Ansi(1252), lines, Utf8(written)},
      {"ansi 932", 932, Utf8(text), Ansi(932), lines, Utf8(written)},
      {"utf8", 1252, Hex("EF BB BF") + Utf8(text), kUtf8, lines, Hex("EF BB BF") + Utf8(written)},
      {"utf16le", 1252, Hex("FF FE") + Utf16(text, false), kUtf16LE, lines,
       Hex("FF FE") + Utf16(written, false)},
      {"utf16be", 1252, Hex("FE FF") + Utf16(text, true), kUtf16BE, lines,
       Hex("FE FF") + Utf16(written, true)},
      {"final break adds no line", 1252, "a\n", Ansi(1252), {u"a"}, "a\r\n"},
      {"two final breaks give an empty line",
       1252,
       "a\r\n\r\n",
       Ansi(1252),
       {u"a", u""},
       std::nullopt},
      {"break alone", 1252, "\n", Ansi(1252), {u""}, "\r\n"},
      // Bytes 0D 0A inside one code unit are no break.
      {"utf16le unit 0A0D",
       1252,
       Hex("FF FE 0D 0A 41 00"),
       kUtf16LE,
       {u"\u0A0DA"},
       Hex("FF FE 0D 0A 41 00 0D 00 0A 00")},
      {"utf16be unit 0D0A",
       1252,
       Hex("FE FF 0D 0A 00 41"),
       kUtf16BE,
       {u"\u0D0AA"},
       Hex("FE FF 0D 0A 00 41 00 0D 00 0A")},
  };
  for (const auto& c : cases) CheckRoundTrip(c);
}

TEST(FolderListFile, WithoutARememberedEncodingWritesTheAnsiCodePage) {
  test::TempDir dir;
  struct Case {
    unsigned codePage;
    Lines lines;
    std::string bytes;
  };
  const Case cases[] = {
      {1252, {}, ""},
      {1252, {u"C:\\\u00E9,A"}, Hex("43 3A 5C E9 2C 41 0D 0A")},
      {932, {u"\u65E5,A"}, Hex("93 FA 2C 41 0D 0A")},
      {65001, {}, Hex("EF BB BF")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.codePage);
    test::SystemPlatformFor platform(c.codePage);
    WriteFolderListFile(platform, dir.U16("Dropwell.txt"), FolderList{c.lines, std::nullopt});
    EXPECT_EQ(test::ReadBytes(dir / "Dropwell.txt"), c.bytes);
  }
}

TEST(FolderListFile, InvalidBytesAfterAMarkAreTheEncodingError) {
  const std::string cases[] = {
      Hex("EF BB BF 80"),
      Hex("EF BB BF C0 AF"),
      Hex("EF BB BF ED A0 80"),
      Hex("EF BB BF F4 90 80 80"),
      Hex("EF BB BF FF"),
      Hex("EF BB BF E6 97"),
      Hex("EF BB BF E6 0D 0A 97 A5"),
      Hex("EF BB BF 41 0D 0A 42 0D 0A E6 97 41"),
      Hex("FF FE 41"),
      Hex("FE FF 41"),
  };
  test::TempDir dir;
  test::SystemPlatformFor platform(1252);
  for (const auto& bytes : cases) {
    SCOPED_TRACE(bytes);
    test::WriteBytes(dir / "Dropwell.txt", bytes);
    FolderList list{{u"kept"}, std::nullopt};
    try {
      ReadFolderListFile(platform, dir.U16("Dropwell.txt"), list);
      ADD_FAILURE() << "no error";
    } catch (const EEncodingError& e) {
      EXPECT_EQ(e.Kind(), u"EEncodingError");
      EXPECT_EQ(e.Message(),
                u"Unicode 文字のマッピングがターゲットのマルチバイト コード ページに存在しません");
    }
    EXPECT_EQ(list.lines, Lines{u"kept"});
    EXPECT_FALSE(list.encoding.has_value());
  }
}

TEST(FolderListFile, MissingFileIsTheOpenErrorWithTheSystemText) {
  test::TempDir dir;
  test::SystemPlatformFor platform;
  const std::u16string path = dir.U16("Dropwell.txt");
  FolderList list{{u"kept"}, std::nullopt};
  try {
    ReadFolderListFile(platform, path, list);
    FAIL() << "no error";
  } catch (const EFOpenError& e) {
    ASSERT_NE(platform.lastReadCode, 0u);
    const std::u16string systemText = platform.ErrorText(platform.lastReadCode);
    EXPECT_FALSE(systemText.empty());
    EXPECT_EQ(e.Kind(), u"EFOpenError");
    EXPECT_EQ(e.Message(), u"ファイル " + path + u" は開けません。 " + systemText + u" ");
  }
  EXPECT_EQ(list.lines, Lines{u"kept"});
}

TEST(FolderListFile, DirectoryInThePlaceOfTheFileIsTheCreateError) {
  test::TempDir dir;
  std::filesystem::create_directory(dir / "Dropwell.txt");
  test::WriteBytes(dir / "Dropwell.txt" / "inside.txt", "previous");
  test::WriteBytes(dir / "Dropwell.ini", "[Form]\r\n");
  const auto before = Listing(dir.Path());
  const std::u16string path = dir.U16("Dropwell.txt");

  test::SystemPlatformFor platform(1252);
  const FolderList list{{u"C:\\A,B"}, kUtf8};
  try {
    WriteFolderListFile(platform, path, list);
    FAIL() << "no error";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(platform.lastWrite.stage, WriteResult::Stage::Create);
    const std::u16string systemText = platform.ErrorText(platform.lastWrite.code);
    EXPECT_FALSE(systemText.empty());
    EXPECT_EQ(e.Kind(), u"EFCreateError");
    EXPECT_EQ(e.Message(), u"ファイル \"" + path + u"\" を作成できません。" + systemText);
  }
  EXPECT_EQ(Listing(dir.Path()), before);
  EXPECT_TRUE(std::filesystem::is_directory(dir / "Dropwell.txt"));
  EXPECT_EQ(Listing(dir / "Dropwell.txt"), std::set<std::string>{"inside.txt"});
  EXPECT_EQ(test::ReadBytes(dir / "Dropwell.txt" / "inside.txt"), "previous");
  EXPECT_EQ(test::ReadBytes(dir / "Dropwell.ini"), "[Form]\r\n");
}

TEST(FolderListFile, RewriteReplacesThePreviousContentWhole) {
  test::TempDir dir;
  test::WriteBytes(dir / "Dropwell.txt", std::string(1000, 'x'));
  test::SystemPlatformFor platform(1252);
  WriteFolderListFile(platform, dir.U16("Dropwell.txt"), FolderList{{u"A"}, kUtf16BE});
  EXPECT_EQ(test::ReadBytes(dir / "Dropwell.txt"), Hex("FE FF 00 41 00 0D 00 0A"));
  EXPECT_EQ(Listing(dir.Path()), std::set<std::string>{"Dropwell.txt"});
}

TEST(FolderListFile, FailureRowsCarryTheirKindAndExactText) {
  const std::u16string path = u"C:\\Prog\\Dropwell.txt";
  test::ScriptedPlatform platform;
  platform.errorTexts = {{5, u"アクセスが拒否されました"},
                         {32, u"プロセスはファイルにアクセスできません"},
                         {112, u"ディスクに十分な空き領域がありません"}};
  struct Case {
    const char* name;
    std::uint32_t readCode;
    std::string bytes;
    WriteResult write;
    std::u16string kind;
    std::u16string message;
  };
  const Case cases[] = {
      {"open",
       32,
       "",
       {},
       u"EFOpenError",
       u"ファイル C:\\Prog\\Dropwell.txt は開けません。 "
       u"プロセスはファイルにアクセスできません "},
      {"encoding",
       0,
       Hex("FE FF 00"),
       {},
       u"EEncodingError",
       u"Unicode 文字のマッピングがターゲットのマルチバイト コード ページに存在しません"},
      {"create",
       0,
       "",
       {WriteResult::Stage::Create, 5},
       u"EFCreateError",
       u"ファイル \"C:\\Prog\\Dropwell.txt\" を作成できません。アクセスが拒否されました"},
      {"write",
       0,
       "",
       {WriteResult::Stage::Write, 112},
       u"EWriteError",
       u"ストリームへの書き込みエラー"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    platform.readCode = c.readCode;
    platform.fileBytes = c.bytes;
    platform.writeResult = c.write;
    try {
      FolderList list;
      ReadFolderListFile(platform, path, list);
      WriteFolderListFile(platform, path, list);
      FAIL() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(e.Kind(), c.kind);
      EXPECT_EQ(e.Message(), c.message);
    }
  }
}

TEST(FolderListFile, MarkAndTextAreOneWriteEach) {
  test::ScriptedPlatform platform;
  struct Case {
    std::optional<TextEncoding> encoding;
    std::vector<std::string> chunks;
  };
  const Case cases[] = {
      {kUtf8, {Hex("EF BB BF"), "A\r\n"}},
      {kUtf16LE, {Hex("FF FE"), Hex("41 00 0D 00 0A 00")}},
      {Ansi(65001), {Hex("EF BB BF"), "A\r\n"}},
      {Ansi(1252), {"A\r\n"}},
      {std::nullopt, {"A\r\n"}},
  };
  for (const auto& c : cases) {
    platform.writes.clear();
    WriteFolderListFile(platform, u"C:\\Prog\\Dropwell.txt", FolderList{{u"A"}, c.encoding});
    ASSERT_EQ(platform.writes.size(), 1u);
    EXPECT_EQ(platform.writes[0], c.chunks);
  }
}

// A whole file at once; the large files below need more than a byte loop.
std::string ReadLarge(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary | std::ios::ate);
  std::string bytes(static_cast<std::size_t>(in.tellg()), '\0');
  in.seekg(0);
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

// Large inputs: a 50 MB file in one line or in many, read and written back.
TEST(FolderListFile, FiftyMegabyteFilesRoundTrip) {
  constexpr std::size_t kSize = 50u << 20;
  test::TempDir dir;
  test::SystemPlatformFor platform(1252);
  const std::u16string path = dir.U16("Dropwell.txt");
  auto line = [](int i) {
    return u"C:\\\u30D5\u30A9\u30EB\u30C0\\" + FromUtf8(std::to_string(i)) + u",\u5225\u540D";
  };

  {
    std::string block;
    for (int i = 0; i < 1000; ++i) block += Utf8(line(i) + u"\r\n");
    std::string bytes = Hex("EF BB BF");
    std::size_t count = 0;
    for (; bytes.size() < kSize; count += 1000) bytes += block;
    test::WriteBytes(dir / "Dropwell.txt", bytes);
    FolderList list;
    ReadFolderListFile(platform, path, list);
    ASSERT_EQ(list.lines.size(), count);
    EXPECT_EQ(list.lines[0], line(0));
    EXPECT_EQ(list.lines[count / 2 + 7], line(7));
    EXPECT_EQ(list.lines.back(), line(999));
    WriteFolderListFile(platform, path, list);
    EXPECT_TRUE(ReadLarge(dir / "Dropwell.txt") == bytes);
  }
  {
    std::string bytes = Hex("FF FE");
    bytes.reserve(kSize + 6);
    std::string block;
    for (int i = 0; i < 4096; ++i) block += "\x41\x30";  // U+3041
    while (bytes.size() < kSize) bytes += block;
    const std::size_t units = (bytes.size() - 2) / 2 + 1;
    bytes += Hex("41 00 0D 00 0A 00");
    test::WriteBytes(dir / "Dropwell.txt", bytes);
    FolderList list;
    ReadFolderListFile(platform, path, list);
    ASSERT_EQ(list.lines.size(), 1u);
    ASSERT_EQ(list.lines[0].size(), units);
    EXPECT_EQ(list.lines[0][0], u'\u3041');
    EXPECT_EQ(list.lines[0][units - 2], u'\u3041');
    EXPECT_EQ(list.lines[0].back(), u'A');
    WriteFolderListFile(platform, path, list);
    EXPECT_TRUE(ReadLarge(dir / "Dropwell.txt") == bytes);
  }
}

// Random bytes without a mark decode in the ANSI code page without an error,
// and their lines are exactly the ones that their CR and LF bytes make.
TEST(FolderListFile, BinaryGarbageWithoutAMarkReadsAsAnsi) {
  std::string bytes;
  std::uint32_t state = 12345;
  for (int i = 0; i < (1 << 20); ++i) {
    state = state * 1103515245u + 12345u;
    bytes += static_cast<char>(state >> 16);
  }
  bytes[0] = 'A';  // no mark
  std::size_t breaks = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n'))) {
      ++breaks;
    }
  }
  const std::size_t expectedLines = breaks + (bytes.back() == '\n' || bytes.back() == '\r' ? 0 : 1);

  test::TempDir dir;
  const std::u16string path = dir.U16("Dropwell.txt");
  for (const unsigned codePage : {1252u, 932u, 65001u}) {
    SCOPED_TRACE(codePage);
    test::WriteBytes(dir / "Dropwell.txt", bytes);
    test::SystemPlatformFor platform(codePage);
    FolderList list;
    ASSERT_NO_THROW(ReadFolderListFile(platform, path, list));
    EXPECT_EQ(list.encoding, Ansi(codePage));
    for (const auto& line : list.lines) {
      ASSERT_EQ(line.find_first_of(u"\r\n"), std::u16string::npos);
    }
    // In 1252 every byte is one character, so the lines are the bytes' lines.
    if (codePage == 1252) {
      EXPECT_EQ(list.lines.size(), expectedLines);
    }
    EXPECT_NO_THROW(WriteFolderListFile(platform, path, list));
  }
}

}  // namespace
}  // namespace dw
