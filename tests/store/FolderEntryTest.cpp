#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Utf.h"
#include "store/FolderEntry.h"
#include "store/StorePlatforms.h"

namespace dw {
namespace {

using namespace std::string_literals;
using Fields = std::vector<std::u16string>;

struct SplitCase {
  std::u16string line;
  Fields fields;
};

void ExpectSplits(Platform& platform, const std::vector<SplitCase>& cases) {
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.line));
    EXPECT_EQ(SplitFolderEntry(c.line, platform), c.fields);
  }
}

TEST(SplitFolderEntry, WorkedExamples) {
  test::SystemPlatformFor platform;
  ExpectSplits(platform, {
                             {u"C:\\Work\\Docs,Docs", {u"C:\\Work\\Docs", u"Docs"}},
                             {u"C:\\A,B,C", {u"C:\\A", u"B", u"C"}},
                             {u",Docs", {u"", u"Docs"}},
                             {u"C:\\A,", {u"C:\\A", u""}},
                             {u"C:\\A,,", {u"C:\\A", u"", u""}},
                             {u"C:\\A", {u"C:\\A"}},
                             {u"", {}},
                             {u"C:\\A,\"B,C\"", {u"C:\\A", u"B,C"}},
                             {u"C:\\A,\"B\"\"C\"", {u"C:\\A", u"B\"C"}},
                             {u"C:\\A,\"B", {u"C:\\A", u"B"}},
                             {u"C:\\A,\"B\"C,D", {u"C:\\A", u"B", u"C", u"D"}},
                             {u"C:\\A,B\"C", {u"C:\\A", u"B\"C"}},
                             {u"C:\\A,\"\"", {u"C:\\A", u""}},
                             {u"\"C:\\x, y\",Docs", {u"C:\\x, y", u"Docs"}},
                             // A path with a comma, written unquoted, splits at that comma.
                             {u"C:\\Data, 2021,Work", {u"C:\\Data", u" 2021", u"Work"}},
                         });
}

TEST(SplitFolderEntry, QuotesBlanksAndControlCharacters) {
  test::SystemPlatformFor platform;
  ExpectSplits(platform, {
                             // Doubled marks still count in an unterminated field.
                             {u"C:\\A,\"B\"\"", {u"C:\\A", u"B\""}},
                             {u"\"A\"", {u"A"}},
                             {u"\"", {u""}},
                             {u"\"A\",", {u"A", u""}},
                             {u"\"A\"\"B\",C", {u"A\"B", u"C"}},
                             {u" C:\\A\t, B ", {u" C:\\A\t", u" B "}},
                             {u" \"A\",B", {u" \"A\"", u"B"}},
                             {u"C:\\A,\x01\x1F", {u"C:\\A", u"\x01\x1F"}},
                         });
}

TEST(SplitFolderEntry, StopsAtTheFirstNul) {
  test::SystemPlatformFor platform;
  ExpectSplits(platform, {
                             {u"C:\\A,B\0,C"s, {u"C:\\A", u"B"}},
                             {u"C:\\A\0,B"s, {u"C:\\A"}},
                             {u"\0C:\\A,B"s, {}},
                             {u"C:\\A,\0B"s, {u"C:\\A", u""}},
                             {u"C:\\A,\"B\0\"\",C\""s, {u"C:\\A", u"B"}},
                         });
}

TEST(SplitFolderEntry, SkipsNonSpacingMarksDirectlyAfterAComma) {
  test::SystemPlatformFor platform;
  ExpectSplits(platform, {
                             {u"C:\\A,\u0301Docs", {u"C:\\A", u"Docs"}},
                             {u"C:\\A,\u0301\u0308\u3099Docs", {u"C:\\A", u"Docs"}},
                             {u"C:\\A,\u0301", {u"C:\\A", u""}},
                             {u"C:\\A,\u0301,B", {u"C:\\A", u"", u"B"}},
                             {u"C:\\A,\u0301\"B,C\"", {u"C:\\A", u"B,C"}},
                             // Marks elsewhere, and characters that are no marks, stay.
                             {u"C:\\A\u0301,B", {u"C:\\A\u0301", u"B"}},
                             {u"C:\\A,B\u0301", {u"C:\\A", u"B\u0301"}},
                             {u"C:\\A,X\u0301", {u"C:\\A", u"X\u0301"}},
                             {u"\u0301C:\\A,B", {u"\u0301C:\\A", u"B"}},
                             {u"\"A\"\u0301,B", {u"A", u"\u0301", u"B"}},
                             {u"C:\\A,\u00E9", {u"C:\\A", u"\u00E9"}},
                             {u"C:\\A,\u00A0B", {u"C:\\A", u"\u00A0B"}},
                         });
}

TEST(SplitFolderEntry, AsksThePlatformWhatAMarkIs) {
  test::ScriptedPlatform platform;
  platform.markCharacters = u"~";
  ExpectSplits(platform, {
                             {u"A,~~B", {u"A", u"B"}},
                             {u"A,~", {u"A", u""}},
                             {u"A,\u0301B", {u"A", u"\u0301B"}},
                         });
}

}  // namespace
}  // namespace dw
