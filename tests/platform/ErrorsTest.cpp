// The error objects' texts, the report rules and the shell's path buffers.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Errors.h"
#include "platform/Platform.h"
#include "platform/Utf.h"

namespace dw::test {
namespace {

#ifdef _WIN32
const std::u16string kLineBreak = u"\r\n";
#else
const std::u16string kLineBreak = u"\n";
#endif

TEST(AppendPeriodRuleTest, AppendsOnlyAfterCharactersAboveTheFullStop) {
  const std::vector<std::pair<std::u16string, std::u16string>> cases = {
      {u"abc", u"abc."}, {u"x1", u"x1."}, {u"x)", u"x)"},   {u"a ", u"a "},
      {u"a.", u"a."},    {u"a-", u"a-"},  {u"a/", u"a/."},  {u"失敗。", u"失敗。."},
      {u"。", u"。."},   {u"", u""},      {u"a\n", u"a\n"},
  };
  for (const auto& [message, shown] : cases) {
    EXPECT_EQ(AppendPeriodRule(message), shown) << ToUtf8(message);
  }
}

TEST(InnermostMessageTest, ShowsTheDeepestNonEmptyMessage) {
  const auto deep = std::make_shared<Error>(u"EDeep", u"deep");
  const auto empty = std::make_shared<Error>(u"EEmpty", u"", deep);
  const auto emptyLeaf = std::make_shared<Error>(u"EEmpty", u"");
  EXPECT_EQ(InnermostMessage(Error(u"EOuter", u"outer")), u"outer");
  EXPECT_EQ(InnermostMessage(Error(u"EOuter", u"outer", empty)), u"deep");
  EXPECT_EQ(InnermostMessage(Error(u"EOuter", u"outer", emptyLeaf)), u"outer");
  EXPECT_EQ(InnermostMessage(Error(u"EOuter", u"", emptyLeaf)), u"");
  const auto middle = std::make_shared<Error>(u"EMiddle", u"middle", emptyLeaf);
  EXPECT_EQ(InnermostMessage(Error(u"EOuter", u"outer", middle)), u"middle");
}

TEST(ErrorKindsTest, CarryTheirNamesAndExactTexts) {
  struct Case {
    std::shared_ptr<Error> error;
    std::u16string kind;
    std::u16string message;
  };
  const std::vector<Case> cases = {
      {std::make_shared<EFOpenError>(u"C:\\W\\Dropwell.txt", u"アクセスが拒否されました"),
       u"EFOpenError", u"ファイル C:\\W\\Dropwell.txt は開けません。 アクセスが拒否されました "},
      {std::make_shared<EEncodingError>(), u"EEncodingError",
       u"Unicode 文字のマッピングがターゲットのマルチバイト コード ページに存在しません"},
      {std::make_shared<EFCreateError>(u"C:\\W\\Dropwell.txt", u"アクセスが拒否されました"),
       u"EFCreateError",
       u"ファイル \"C:\\W\\Dropwell.txt\" を作成できません。アクセスが拒否されました"},
      {std::make_shared<EWriteError>(), u"EWriteError", u"ストリームへの書き込みエラー"},
      {std::make_shared<EIniFileException>(u"C:\\W\\Dropwell.ini"), u"EIniFileException",
       u"C:\\W\\Dropwell.ini に書き込めません"},
      {std::make_shared<EListError>(0), u"EListError",
       u"リストのインデックスが範囲を超えています (0)"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.error->Kind(), c.kind);
    EXPECT_EQ(c.error->Message(), c.message) << ToUtf8(c.kind);
    EXPECT_EQ(std::string(c.error->what()), ToUtf8(c.message));
  }
}

// The address in the report, read back as a number.
std::uintptr_t ParseAddress(const std::u16string& hex) {
  std::uintptr_t value = 0;
  for (char16_t c : hex) {
    value *= 16;
    if (c >= u'0' && c <= u'9') {
      value += static_cast<std::uintptr_t>(c - u'0');
    } else if (c >= u'A' && c <= u'F') {
      value += static_cast<std::uintptr_t>(c - u'A' + 10);
    } else {
      ADD_FAILURE() << "not an upper-case hex digit in the address";
    }
  }
  return value;
}

TEST(FatalReportTextTest, NamesKindModuleAndAddressThenTheMessage) {
  struct Case {
    std::shared_ptr<Error> error;
    std::u16string shownMessage;  // the message as the report's second line shows it
  };
  const std::vector<Case> cases = {
      {std::make_shared<EFOpenError>(u"C:\\W\\Dropwell.txt", u"Access denied"),
       u"ファイル C:\\W\\Dropwell.txt は開けません。 Access denied ."},
      {std::make_shared<EEncodingError>(),
       u"Unicode 文字のマッピングがターゲットのマルチバイト コード ページに存在しません."},
      {std::make_shared<EListError>(0), u"リストのインデックスが範囲を超えています (0)."},
      {std::make_shared<Error>(u"EOther", u"ends with a stop."), u"ends with a stop."},
      {std::make_shared<Error>(u"EOther", u""), u""},
  };
  const std::u16string head = u" がモジュール Dropwell.exe の ";
  const std::u16string tail = u" で発生しました。" + kLineBreak;
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.error->Kind()));
    const std::u16string text = FatalReportText(*c.error, u"Dropwell.exe");
    const std::u16string start = c.error->Kind() + head;
    ASSERT_EQ(text.substr(0, start.size()), start);
    const auto tailAt = text.find(tail, start.size());
    ASSERT_NE(tailAt, std::u16string::npos);
    const std::u16string address = text.substr(start.size(), tailAt - start.size());
    EXPECT_EQ(address.size(), 2 * sizeof(void*));
    EXPECT_NE(c.error->Address(), nullptr);
    EXPECT_EQ(ParseAddress(address), reinterpret_cast<std::uintptr_t>(c.error->Address()));
    EXPECT_EQ(text.substr(tailAt + tail.size()), c.shownMessage + kLineBreak);
  }
}

TEST(ShellPathBufferTest, EachPathEndsInNulAndTheListInAnotherOne) {
  using namespace std::string_literals;
  const std::vector<std::pair<std::vector<std::u16string>, std::u16string>> cases = {
      {{}, u"\0\0"s},
      {{u"C:\\a.txt"}, u"C:\\a.txt\0\0"s},
      {{u"C:\\a.txt", u"C:\\日本\\b", u"D:\\c"}, u"C:\\a.txt\0C:\\日本\\b\0D:\\c\0\0"s},
  };
  for (const auto& [paths, buffer] : cases) {
    EXPECT_EQ(BuildShellPathBuffer(paths), buffer) << paths.size();
  }
}

}  // namespace
}  // namespace dw::test
