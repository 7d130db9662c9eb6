// What the settings file relies on from the profile store, checked on the
// backend of the system the tests were built for.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/Platform.h"
#include "support/TestSupport.h"

namespace dw {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

class ProfileContract : public ::testing::Test {
 protected:
  std::unique_ptr<Platform> platform_ = CreateSystemPlatform();
  TempDir dir_;
  std::u16string ini_ = dir_.U16("Dropwell.ini");
  std::filesystem::path iniFile_ = dir_ / "Dropwell.ini";

  std::u16string Read(const std::u16string& section, const std::u16string& key,
                      const std::u16string& defaultValue = u"<default>") {
    return platform_->ProfileRead(section, key, defaultValue, ini_);
  }
  bool Write(const std::u16string& section, const std::u16string& key,
             const std::u16string& value) {
    return platform_->ProfileWrite(section, key, value, ini_);
  }
  // The file's bytes as they are once the store has let go of it.
  std::string Bytes() {
    platform_->ProfileFlush(ini_);
    return ReadBytes(iniFile_);
  }
};

// Lines of the file whose text before '=' is name, ignoring case.
int CountKeyLines(const std::string& bytes, const std::string& name) {
  int count = 0;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t end = bytes.find('\n', pos);
    if (end == std::string::npos) end = bytes.size();
    const std::string line = bytes.substr(pos, end - pos);
    const std::size_t eq = line.find('=');
    if (eq == name.size() && std::equal(name.begin(), name.end(), line.begin(), [](char a, char b) {
          return std::tolower(static_cast<unsigned char>(a)) ==
                 std::tolower(static_cast<unsigned char>(b));
        })) {
      ++count;
    }
    pos = end + 1;
  }
  return count;
}

TEST_F(ProfileContract, WrittenValuesReadBackFromANewFile) {
  ASSERT_FALSE(std::filesystem::exists(iniFile_));
  struct Case {
    std::u16string section, key, value;
  };
  const Case cases[] = {
      {u"Form", u"Top", u"100"},     {u"Form", u"Left", u"-20"},  {u"Form", u"Width", u"150"},
      {u"Select", u"Folder", u"-1"}, {u"Form", u"StayTop", u"1"}, {u"Other", u"Text", u"a b=c;d"},
  };
  for (const Case& c : cases) ASSERT_TRUE(Write(c.section, c.key, c.value));
  EXPECT_TRUE(std::filesystem::is_regular_file(iniFile_));
  for (const Case& c : cases) {
    EXPECT_EQ(Read(c.section, c.key), c.value) << std::string(c.key.begin(), c.key.end());
  }
  // A second write replaces the value rather than adding another key.
  ASSERT_TRUE(Write(u"Form", u"Top", u"7"));
  EXPECT_EQ(Read(u"Form", u"Top"), u"7");
  EXPECT_EQ(Read(u"Form", u"Left"), u"-20");
  EXPECT_EQ(CountKeyLines(Bytes(), "Top"), 1);
}

TEST_F(ProfileContract, EmptyValueReadsAsEmptyNotAsDefault) {
  ASSERT_TRUE(Write(u"Form", u"Top", u""));
  EXPECT_EQ(Read(u"Form", u"Top"), u"");
}

TEST_F(ProfileContract, MissingFileSectionOrKeyGivesTheDefault) {
  EXPECT_EQ(Read(u"Form", u"Top"), u"<default>");
  EXPECT_EQ(Read(u"Form", u"Top", u""), u"");

  WriteBytes(iniFile_, "[Form]\r\nTop=5\r\n[Select]\r\nFolder=2\r\n");
  EXPECT_EQ(Read(u"Form", u"Top"), u"5");
  EXPECT_EQ(Read(u"Missing", u"Top"), u"<default>");
  EXPECT_EQ(Read(u"Form", u"Missing"), u"<default>");
  // A key of another section is not found in this one.
  EXPECT_EQ(Read(u"Form", u"Folder"), u"<default>");
  EXPECT_EQ(Read(u"Select", u"Top"), u"<default>");
}

TEST_F(ProfileContract, SectionAndKeyNamesMatchRegardlessOfCase) {
  WriteBytes(iniFile_, "[Form]\r\nTop=5\r\n");
  EXPECT_EQ(Read(u"FORM", u"top"), u"5");
  EXPECT_EQ(Read(u"form", u"TOP"), u"5");

  ASSERT_TRUE(Write(u"fOrM", u"tOp", u"6"));
  EXPECT_EQ(Read(u"Form", u"Top"), u"6");
  const std::string bytes = Bytes();
  EXPECT_EQ(CountKeyLines(bytes, "Top"), 1) << bytes;
  EXPECT_EQ(bytes.find("[fOrM]"), std::string::npos) << bytes;
}

TEST_F(ProfileContract, BlanksQuotesAndCommentsAreReadTheUsualWay) {
  WriteBytes(iniFile_,
             "; Top=1 in a comment\r\n"
             "[Form]\r\n"
             "  Spaced  =  two words  \r\n"
             "Double=\"quoted\"\r\n"
             "Single='quoted'\r\n"
             "Mixed=\"quoted'\r\n"
             ";Top=2\r\n"
             "Empty=\r\n"
             "Eq=a=b\r\n");
  struct Case {
    std::u16string key, expected;
  } const cases[] = {
      {u"Spaced", u"two words"}, {u"Double", u"quoted"},      {u"Single", u"quoted"},
      {u"Mixed", u"\"quoted'"},  {u"Top", u"<default>"},      {u"Empty", u""},
      {u"Eq", u"a=b"},           {u" Spaced ", u"two words"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Read(u"Form", c.key), c.expected) << std::string(c.key.begin(), c.key.end());
  }
}

// A file laid out as the profile functions themselves lay it out.
constexpr char kFixture[] =
    "; kept as it is\r\n"
    "[Other]\r\n"
    "Alpha=1\r\n"
    "[Form]\r\n"
    "; about the window\r\n"
    "Top=5\r\n"
    "Unknown=keep me\r\n"
    "[Tail]\r\n"
    "Z=26\r\n";

TEST_F(ProfileContract, WritesLeaveCommentsOtherSectionsAndUnknownKeysByteIdentical) {
  WriteBytes(iniFile_, kFixture);

  ASSERT_TRUE(Write(u"Form", u"Top", u"42"));
  std::string expected = kFixture;
  expected.replace(expected.find("Top=5"), 5, "Top=42");
  EXPECT_EQ(Bytes(), expected);

  // A new key goes to the end of its section.
  ASSERT_TRUE(Write(u"Form", u"Left", u"7"));
  expected.insert(expected.find("[Tail]"), "Left=7\r\n");
  EXPECT_EQ(Bytes(), expected);

  // A new section goes to the end of the file, after everything that was there.
  ASSERT_TRUE(Write(u"Select", u"Folder", u"0"));
  const std::string bytes = Bytes();
  ASSERT_EQ(bytes.substr(0, expected.size()), expected);
  EXPECT_EQ(Read(u"Select", u"Folder"), u"0");
  EXPECT_NE(bytes.find("[Select]", expected.size()), std::string::npos) << bytes;
}

TEST_F(ProfileContract, RefusedWritesReportFailureAndChangeNothing) {
  // Read-only modes do not stop root, so the refusals come from the layout.
  struct Case {
    const char* what;
    std::filesystem::path file;
    bool directoryInPlace;
  } const cases[] = {
      {"a directory in the file's place", dir_ / "Dropwell.ini", true},
      {"a missing folder", dir_ / "missing" / "Dropwell.ini", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.directoryInPlace) std::filesystem::create_directory(c.file);
    const auto before = std::distance(std::filesystem::directory_iterator(dir_.Path()),
                                      std::filesystem::directory_iterator());

    EXPECT_FALSE(platform_->ProfileWrite(u"Form", u"Top", u"1", c.file.u16string()));
    platform_->ProfileFlush(c.file.u16string());

    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.Path()),
                            std::filesystem::directory_iterator()),
              before);
    if (c.directoryInPlace) {
      EXPECT_TRUE(std::filesystem::is_directory(c.file));
      EXPECT_TRUE(std::filesystem::is_empty(c.file));
    } else {
      EXPECT_FALSE(std::filesystem::exists(c.file.parent_path()));
    }
    EXPECT_EQ(platform_->ProfileRead(u"Form", u"Top", u"d", c.file.u16string()), u"d");
  }
}

// A value of the given length whose characters differ along its length, so a
// cut anywhere but at the right place shows.
std::u16string LongText(std::size_t length) {
  std::u16string text;
  for (std::size_t i = 0; i < length; ++i) text += static_cast<char16_t>(u'a' + i % 26);
  return text;
}

TEST_F(ProfileContract, ReadsSeeAtMost2047Characters) {
  for (std::size_t length : {2046u, 2047u, 2048u, 3000u}) {
    SCOPED_TRACE(length);
    const std::u16string value = LongText(length);
    WriteBytes(iniFile_, "[Form]\r\nKey=" + std::string(value.begin(), value.end()) + "\r\n");
    platform_->ProfileFlush(ini_);
    const std::u16string expected = value.substr(0, 2047);
    EXPECT_EQ(Read(u"Form", u"Key"), expected);
    // The default passes through the same buffer.
    EXPECT_EQ(Read(u"Form", u"Missing", value), expected);
  }
}

TEST_F(ProfileContract, AfterAFlushTheFileIsReadAfresh) {
  ASSERT_TRUE(Write(u"Form", u"Top", u"1"));
  EXPECT_EQ(Read(u"Form", u"Top"), u"1");
  platform_->ProfileFlush(ini_);
  WriteBytes(iniFile_, "[Form]\r\nTop=2\r\n");
  EXPECT_EQ(Read(u"Form", u"Top"), u"2");
}

}  // namespace
}  // namespace dw
