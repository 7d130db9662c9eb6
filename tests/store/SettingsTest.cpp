#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>

#include "platform/Errors.h"
#include "platform/Utf.h"
#include "store/Settings.h"
#include "store/StorePlatforms.h"

namespace dw {
namespace {

const std::u16string kPath = u"C:\\Prog\\Dropwell.ini";

TEST(ParseProfileInteger, ReadingRules) {
  struct Case {
    std::u16string text;
    std::optional<std::int32_t> value;
  };
  const Case cases[] = {
      {u"0x64", 100},
      {u"0X64", 100},
      {u"0xfF", 255},
      {u"$64", 100},
      {u"x64", 100},
      {u"X64", 100},
      {u"0x", std::nullopt},
      {u"0X", std::nullopt},
      {u"+120", 120},
      {u"   120", 120},
      {u"120", 120},
      {u"0", 0},
      {u"007", 7},
      {u"1e2", std::nullopt},
      {u"12.5", std::nullopt},
      {u"12 ", std::nullopt},
      {u"\t12", std::nullopt},
      {u"\u00A012", std::nullopt},
      {u"\uFF11\uFF12", std::nullopt},  // full-width digits
      {u"$FFFFFFFF", -1},
      {u"0xFFFFFFFF", -1},
      {u"$100000000", std::nullopt},
      {u"$000000001", 1},
      {u"2147483647", INT32_MAX},
      {u"-2147483648", INT32_MIN},
      {u"2147483648", std::nullopt},
      {u"-2147483649", std::nullopt},
      {u"$80000000", INT32_MIN},
      {u"0x7FFFFFFF", INT32_MAX},
      {u"-$1", -1},
      {u"-$80000000", INT32_MIN},
      {u"-0x10", -16},
      {u" 0x10", 16},
      {u"+x10", 16},
      {u"+", std::nullopt},
      {u"-", std::nullopt},
      {u"", std::nullopt},
      {u"   ", std::nullopt},
      {std::u16string(3000, u'1'), std::nullopt},
      {std::u16string(3000, u'0') + u"42", 42},
      {u"x", std::nullopt},
      {u"$", std::nullopt},
      {u"-$", std::nullopt},
      {u"$G", std::nullopt},
      {u"0x0x1", std::nullopt},
      {u"$$1", std::nullopt},
      {u"--1", std::nullopt},
      {u"+-1", std::nullopt},
      {u"- 1", std::nullopt},
      {u" -5", -5},
      {u"true", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.text.substr(0, 40)));
    EXPECT_EQ(ParseProfileInteger(c.text), c.value);
  }
}

TEST(ReadProfileInteger, AsksWithAnEmptyDefaultAndFallsBackToTheKeysDefault) {
  test::ScriptedPlatform platform;
  platform.profile = {{{u"Form", u"Top"}, u"-20"},
                      {{u"Form", u"Width"}, u"$FFFFFFFF"},
                      {{u"Form", u"Height"}, u"wide"},
                      {{u"Select", u"Folder"}, u""}};
  EXPECT_EQ(ReadProfileInteger(platform, kPath, u"Form", u"Top", 100), -20);
  EXPECT_EQ(ReadProfileInteger(platform, kPath, u"Form", u"Left", 100), 100);
  EXPECT_EQ(ReadProfileInteger(platform, kPath, u"Form", u"Width", 150), -1);
  EXPECT_EQ(ReadProfileInteger(platform, kPath, u"Form", u"Height", 140), 140);
  EXPECT_EQ(ReadProfileInteger(platform, kPath, u"Select", u"Folder", 0), 0);
  EXPECT_EQ(ReadProfileInteger(platform, kPath, u"Select", u"Folder", 7), 7);

  ASSERT_EQ(platform.reads.size(), 6u);
  EXPECT_EQ(platform.reads[1].section, u"Form");
  EXPECT_EQ(platform.reads[1].key, u"Left");
  EXPECT_EQ(platform.reads[1].path, kPath);
  for (const auto& read : platform.reads) EXPECT_EQ(read.value, u"");
}

TEST(ReadProfileSwitch, AnyValueOtherThanZeroIsOn) {
  struct Case {
    std::optional<std::u16string> text;  // none: the key is missing
    bool defaultValue;
    bool on;
  };
  const Case cases[] = {
      {u"1", false, true},          {u"2", false, true},        {u"-1", false, true},
      {u"0", true, false},          {u"0x0", true, false},      {u"$10", false, true},
      {u"true", false, false},      {u"false", true, true},     {u"", true, true},
      {std::nullopt, false, false}, {std::nullopt, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.text.value_or(u"(missing)")) + (c.defaultValue ? " on" : " off"));
    test::ScriptedPlatform platform;
    if (c.text) platform.profile[{u"Form", u"StayTop"}] = *c.text;
    EXPECT_EQ(ReadProfileSwitch(platform, kPath, u"Form", u"StayTop", c.defaultValue), c.on);
  }
}

TEST(WriteProfileInteger, WritesDecimalText) {
  struct Case {
    std::int32_t value;
    std::u16string text;
  };
  const Case cases[] = {{0, u"0"},
                        {100, u"100"},
                        {-1, u"-1"},
                        {-20, u"-20"},
                        {INT32_MAX, u"2147483647"},
                        {INT32_MIN, u"-2147483648"}};
  for (const auto& c : cases) {
    test::ScriptedPlatform platform;
    WriteProfileInteger(platform, kPath, u"Form", u"Width", c.value);
    ASSERT_EQ(platform.profileWrites.size(), 1u);
    EXPECT_EQ(platform.profileWrites[0].section, u"Form");
    EXPECT_EQ(platform.profileWrites[0].key, u"Width");
    EXPECT_EQ(platform.profileWrites[0].value, c.text);
    EXPECT_EQ(platform.profileWrites[0].path, kPath);
    // What was written reads back as the same value.
    EXPECT_EQ(ReadProfileInteger(platform, kPath, u"Form", u"Width", 12345), c.value);
  }
}

TEST(WriteProfileSwitch, WritesOneOrZero) {
  test::ScriptedPlatform platform;
  WriteProfileSwitch(platform, kPath, u"Form", u"StayTop", true);
  WriteProfileSwitch(platform, kPath, u"Form", u"StayTop", false);
  ASSERT_EQ(platform.profileWrites.size(), 2u);
  EXPECT_EQ(platform.profileWrites[0].value, u"1");
  EXPECT_EQ(platform.profileWrites[1].value, u"0");
}

TEST(WriteProfileInteger, RefusedWriteIsTheIniFileError) {
  test::ScriptedPlatform platform;
  platform.refuseWrites = true;
  for (const bool isSwitch : {false, true}) {
    SCOPED_TRACE(isSwitch);
    try {
      if (isSwitch) {
        WriteProfileSwitch(platform, kPath, u"Form", u"StayTop", true);
      } else {
        WriteProfileInteger(platform, kPath, u"Form", u"Top", 5);
      }
      FAIL() << "no error";
    } catch (const EIniFileException& e) {
      EXPECT_EQ(e.Kind(), u"EIniFileException");
      EXPECT_EQ(e.Message(), u"C:\\Prog\\Dropwell.ini に書き込めません");
    }
  }
  EXPECT_EQ(platform.profileWrites.size(), 2u);
}

}  // namespace
}  // namespace dw
