// Code page conversions, the non-spacing-mark test and system error texts.
// The conversion table is shared: both backends must give these results.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "BackendSupport.h"
#include "platform/Errors.h"
#include "platform/Utf.h"
#include "support/TestSupport.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace dw::test {
namespace {

enum class Direction { Both, ToBytesOnly, ToWideOnly };

struct CodePageCase {
  unsigned codePage;
  std::u16string text;
  std::string hexBytes;
  Direction direction;
};

// Only results that Windows' own tables and ICU's Windows tables agree on:
// valid mappings, and "?" for characters that the code page lacks and that
// have no best-fit stand-in.
const std::vector<CodePageCase>& CodePageCases() {
  static const std::vector<CodePageCase> cases = {
      {932, u"", "", Direction::Both},
      {932, u"日本語", "93 FA 96 7B 8C EA", Direction::Both},
      {932, u"ｱｲｳ", "B1 B2 B3", Direction::Both},
      {932, u"ABC\\~", "41 42 43 5C 7E", Direction::Both},
      {932, u"C:\\データ\\文書", "43 3A 5C 83 66 81 5B 83 5E 5C 95 B6 8F 91", Direction::Both},
      {932, u"～∥￢", "81 60 81 61 81 CA", Direction::Both},  // where Shift_JIS differs
      {932, u"①", "87 40", Direction::Both},
      {932, std::u16string(u"a\0b", 3), "61 00 62", Direction::Both},
      {932, u"A가B", "41 3F 42", Direction::ToBytesOnly},
      {1252, u"", "", Direction::Both},
      {1252, u"é€Œÿ“”", "E9 80 8C FF 93 94", Direction::Both},
      {1252, u"C:\\Daten,Docs\r\n", "43 3A 5C 44 61 74 65 6E 2C 44 6F 63 73 0D 0A",
       Direction::Both},
      {1252, u"x文y", "78 3F 79", Direction::ToBytesOnly},
      {65001, u"", "", Direction::Both},
      {65001, u"日本語", "E6 97 A5 E6 9C AC E8 AA 9E", Direction::Both},
      {65001, u"é😀", "C3 A9 F0 9F 98 80", Direction::Both},
      {65001, std::u16string(u"a\0b", 3), "61 00 62", Direction::Both},
      {65001, u"A\uFFFDB", "41 FF 42", Direction::ToWideOnly},
  };
  return cases;
}

TEST(PathBytesTest, EveryByteStringComesBackAsItWas) {
  // Valid UTF-8 reads as text; anything else (a stray byte, an overlong
  // form, an encoded surrogate, a cut sequence) survives as escapes.
  struct Case {
    std::string bytes;
    bool text;  // valid UTF-8: decodes as FromUtf8 does
  };
  const Case cases[] = {
      {"plain/a.txt", true},       {"\xE6\x97\xA5\xE6\x9C\xAC/\xF0\x9F\x98\x80", true},
      {"a\xEF\xBF\xBD", true},     {"a\xFF.txt", false},
      {"\x80\xBF\xC0\xAF", false}, {"\xED\xA0\x80x", false},
      {"cut\xE6\x97", false},      {std::string("nul\0\xFE", 5), false},
  };
  for (const auto& c : cases) {
    const std::u16string path = PathFromBytes(c.bytes);
    EXPECT_EQ(PathToBytes(path), c.bytes);
    EXPECT_EQ(path == FromUtf8(c.bytes), c.text);
  }
  // Two names that differ only in a stray byte stay apart, and neither is
  // the name U+FFFD would give.
  EXPECT_NE(PathFromBytes("a\xFF"), PathFromBytes("a\xFE"));
  EXPECT_NE(PathFromBytes("a\xFF"), PathFromBytes("a\xEF\xBF\xBD"));
  // Lone surrogates that are no escape are written as U+FFFD, as by ToUtf8.
  EXPECT_EQ(PathToBytes(u"\xD800x\xDC7F"), ToUtf8(u"\xD800x\xDC7F"));
}

TEST(CodePageTest, SharedTableGivesTheSameResultOnEveryBackend) {
  Backend platform;
  for (const auto& c : CodePageCases()) {
    SCOPED_TRACE(::testing::Message() << c.codePage << ": " << ToUtf8(c.text));
    const std::string bytes = Hex(c.hexBytes);
    if (c.direction != Direction::ToWideOnly) {
      EXPECT_EQ(platform.WideToMultiByte(c.codePage, c.text), bytes);
    }
    if (c.direction != Direction::ToBytesOnly) {
      EXPECT_EQ(platform.MultiByteToWide(c.codePage, bytes), c.text);
    }
  }
}

TEST(CodePageTest, ConvertersStayCorrectAcrossManyCallsAndCodePages) {
  // Converters are kept open between calls; state must not leak from one
  // call or code page into the next.
  Backend platform;
  for (int round = 0; round < 20; ++round) {
    for (const auto& c : CodePageCases()) {
      if (c.direction == Direction::Both) {
        ASSERT_EQ(platform.WideToMultiByte(c.codePage, c.text), Hex(c.hexBytes));
      }
    }
  }
}

TEST(CodePageTest, LongTextConvertsWhole) {
  Backend platform;
  std::u16string text;
  std::string bytes;
  for (int i = 0; i < 50000; ++i) {
    text += u"C:\\データ,文書\r\n";
    bytes += Hex("43 3A 5C 83 66 81 5B 83 5E 2C 95 B6 8F 91 0D 0A");
  }
  EXPECT_TRUE(platform.WideToMultiByte(932, text) == bytes);
  EXPECT_TRUE(platform.MultiByteToWide(932, bytes) == text);
}

TEST(CodePageTest, UnknownCodePageIsReadAndWrittenAsUtf8) {
  Backend platform;
  EXPECT_EQ(platform.MultiByteToWide(12345, Hex("E6 97 A5 41")), u"日A");
  EXPECT_EQ(platform.WideToMultiByte(12345, u"日A"), Hex("E6 97 A5 41"));
}

TEST(CodePageTest, AnsiCodePageConvertsAscii) {
  Backend platform;
  const unsigned codePage = platform.AnsiCodePage();
  EXPECT_NE(codePage, 0u);
  EXPECT_EQ(platform.MultiByteToWide(codePage, "C:\\Work,Docs\r\n"), u"C:\\Work,Docs\r\n");
  EXPECT_EQ(platform.WideToMultiByte(codePage, u"C:\\Work,Docs\r\n"), "C:\\Work,Docs\r\n");
}

#ifndef _WIN32

TEST(PosixCodePageTest, LocaleCodeSetsMapToWindowsNumbers) {
  const std::vector<std::pair<const char*, unsigned>> cases = {
      {"UTF-8", 65001},   {"utf8", 65001},       {"ANSI_X3.4-1968", 65001},
      {"SHIFT_JIS", 932}, {"SJIS", 932},         {"CP932", 932},
      {"EUC-JP", 20932},  {"ISO-8859-1", 28591}, {"ISO-8859-15", 28605},
      {"CP1252", 1252},   {"GBK", 936},          {"GB2312", 936},
      {"BIG5", 950},      {"EUC-KR", 949},       {"no-such-set", 65001},
      {"", 65001},
  };
  for (const auto& [name, codePage] : cases) {
    EXPECT_EQ(CodePageOfCodeSet(name), codePage) << name;
  }
}

TEST(PosixCodePageTest, PlainAndUtf8LocalesCountAsUtf8) {
  const char* saved = std::getenv("LC_ALL");
  const std::string previous = saved != nullptr ? saved : "";
  PosixPlatform platform;
  for (const char* locale : {"C", "POSIX", "C.UTF-8", "no_SUCH.locale"}) {
    ::setenv("LC_ALL", locale, 1);
    EXPECT_EQ(platform.AnsiCodePage(), 65001u) << locale;
  }
  if (saved != nullptr) {
    ::setenv("LC_ALL", previous.c_str(), 1);
  } else {
    ::unsetenv("LC_ALL");
  }
}

#endif

TEST(NonSpacingMarkTest, IsTrueForCombiningMarksOnly) {
  Backend platform;
  const std::vector<std::pair<char16_t, bool>> cases = {
      {u'\u0301', true},   // combining acute accent
      {u'\u0300', true},   // combining grave accent
      {u'\u3099', true},   // combining voiced sound mark
      {u'\u309A', true},   // combining semi-voiced sound mark
      {u'a', false},       //
      {u'\u00E9', false},  // precomposed letters carry an accent but are letters
      {u'\u00C0', false},  //
      {u'\u0100', false},  //
      {u'\u309B', false},  // the spacing voiced sound mark
      {u'\u00B4', false},  // the spacing acute accent
      {u',', false},       //
      {u'\u3000', false},  //
      {u'\u3042', false},  // hiragana a
      {u'\u0903', false},  // a spacing combining mark (Mc)
  };
  for (const auto& [c, mark] : cases) {
    EXPECT_EQ(platform.IsNonSpacingMark(c), mark) << std::hex << static_cast<unsigned>(c);
  }
}

// --- error texts ---

bool EndsTrimmed(const std::u16string& text) {
  return !text.empty() && text.back() > u' ' && text.back() != u'.';
}

TEST(ErrorTextTest, IsTheSystemTextWithoutTrailingStopsBlanksAndLineBreaks) {
  Backend platform;
  for (const std::uint32_t code : {kFileNotFound, kPathNotFound, kAccessDenied, kDiskFull}) {
    const std::u16string text = platform.ErrorText(code);
    EXPECT_TRUE(EndsTrimmed(text)) << code << ": " << ToUtf8(text);
    EXPECT_EQ(text.find_first_of(u"\r\n"), std::u16string::npos) << code;
#ifdef _WIN32
    // The trimmed text is the system's text up to what was cut off.
    wchar_t* raw = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&raw), 0, nullptr);
    ASSERT_NE(length, 0u);
    const std::u16string system(raw, raw + length);
    ::LocalFree(raw);
    EXPECT_EQ(system.substr(0, text.size()), text);
    EXPECT_EQ(system.substr(text.size()).find_first_not_of(u". \t\r\n"), std::u16string::npos);
#endif
  }
#ifndef _WIN32
  // The test runs in the C locale, where the system's texts are these.
  EXPECT_EQ(platform.ErrorText(ENOENT), u"No such file or directory");
  EXPECT_EQ(platform.ErrorText(EACCES), u"Permission denied");
#endif
}

TEST(ErrorTextTest, OpenAndCreateErrorsCarryTheSystemText) {
  Backend platform;
  const std::u16string path = u"C:\\Work\\Dropwell.txt";
  const std::u16string text = platform.ErrorText(kFileNotFound);
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(EFOpenError(path, text).Message(),
            u"ファイル C:\\Work\\Dropwell.txt は開けません。 " + text + u" ");
  EXPECT_EQ(EFCreateError(path, text).Message(),
            u"ファイル \"C:\\Work\\Dropwell.txt\" を作成できません。" + text);
}

}  // namespace
}  // namespace dw::test
