// The INI store behind the profile functions on POSIX systems: parsing and
// editing over bytes, and the atomic save.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

#include "platform/Utf.h"
#include "platform/posix/IniStore.h"
#include "support/TestSupport.h"

namespace dw::ini {
namespace {

using test::Hex;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

std::string Utf16Le(std::u16string_view text) {
  std::string out = "\xFF\xFE";
  for (char16_t c : text) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>(c >> 8);
  }
  return out;
}

struct FindCase {
  const char* what;
  std::string file;
  std::u16string section, key;
  std::optional<std::u16string> expected;
};

void PrintTo(const FindCase& c, std::ostream* os) {
  *os << c.what;
}

class FindValueTest : public ::testing::TestWithParam<FindCase> {};

TEST_P(FindValueTest, FindsTheValueAsTheProfileFunctionsWould) {
  const FindCase& c = GetParam();
  EXPECT_EQ(FindValue(c.file, c.section, c.key), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FindValueTest,
    ::testing::Values(
        FindCase{"plain", "[A]\r\nk=v\r\n", u"A", u"k", u"v"},
        FindCase{"LF and no last line end", "[A]\nx=1\nk=v", u"A", u"k", u"v"},
        FindCase{"UTF-8 mark skipped", "\xEF\xBB\xBF[A]\r\nk=v\r\n", u"A", u"k", u"v"},
        FindCase{"UTF-8 value", "[A]\r\nk=\xE3\x83\x95\xE3\x82\xA9\r\n", u"A", u"k",
                 u"\u30D5\u30A9"},
        FindCase{"UTF-16LE file", Utf16Le(u"[A]\r\nk=\u30D5\r\n"), u"a", u"K", u"\u30D5"},
        FindCase{"blanks inside the brackets", "[  A  ]\r\nk=v\r\n", u"A", u"k", u"v"},
        FindCase{"text after the bracket", "[A] ; note\r\nk=v\r\n", u"A", u"k", u"v"},
        FindCase{"tabs around names", "\t[A]\r\n\tk\t=\tv\t\r\n", u"A", u"k", u"v"},
        FindCase{"non-ASCII case", "[\xC3\x84rger]\r\nk=v\r\n", u"\u00E4RGER", u"k", u"v"},
        FindCase{"a key before any section", "k=v\r\n[A]\r\n", u"A", u"k", std::nullopt},
        FindCase{"a blank section name", "[]\r\nk=v\r\n", u"", u"k", u"v"},
        FindCase{"indented comment", "[A]\r\n  ; k=v\r\n", u"A", u"k", std::nullopt},
        FindCase{"line without '='", "[A]\r\nk\r\n", u"A", u"k", std::nullopt},
        FindCase{"first of two sections", "[A]\r\nk=1\r\n[B]\r\n[a]\r\nk=2\r\n", u"A", u"k", u"1"},
        FindCase{"first of two keys", "[A]\r\nk=1\r\nK=2\r\n", u"A", u"k", u"1"},
        FindCase{"the next section ends the search", "[A]\r\n[B]\r\nk=1\r\n", u"A", u"k",
                 std::nullopt},
        FindCase{"lone quote kept", "[A]\r\nk=\"\r\n", u"A", u"k", u"\""},
        FindCase{"empty quotes", "[A]\r\nk=\"\"\r\n", u"A", u"k", u""},
        FindCase{"empty file", "", u"A", u"k", std::nullopt},
        FindCase{"a CR closing the file ends the line", "[A]\nk=x\r", u"A", u"k", u"x"}),
    [](const auto& p) { return "Case" + std::to_string(p.index); });

struct SetCase {
  const char* what;
  std::string before;
  std::u16string section, key, value;
  std::string after;
};

void PrintTo(const SetCase& c, std::ostream* os) {
  *os << c.what;
}

class SetValueTest : public ::testing::TestWithParam<SetCase> {};

TEST_P(SetValueTest, ChangesOnlyWhatTheWriteNeeds) {
  const SetCase& c = GetParam();
  const std::optional<std::string> after = SetValue(c.before, c.section, c.key, c.value);
  ASSERT_TRUE(after.has_value());
  EXPECT_EQ(*after, c.after);
  EXPECT_EQ(FindValue(*after, c.section, c.key), c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SetValueTest,
    ::testing::Values(
        SetCase{"new file", "", u"Form", u"Top", u"100", "[Form]\r\nTop=100\r\n"},
        SetCase{"only a UTF-8 mark", "\xEF\xBB\xBF", u"A", u"k", u"v",
                "\xEF\xBB\xBF[A]\r\nk=v\r\n"},
        SetCase{"value replaced, LF kept", "[A]\nk=old\nx=1\n", u"A", u"k", u"new",
                "[A]\nk=new\nx=1\n"},
        SetCase{"blanks around the value kept", "[A]\r\n  k  =  old  \r\n", u"a", u"K", u"new",
                "[A]\r\n  k  =  new  \r\n"},
        SetCase{"quoted value replaced", "[A]\r\nk=\"old\"\r\n", u"A", u"k", u"new",
                "[A]\r\nk=new\r\n"},
        SetCase{"empty value filled", "[A]\r\nk=\r\n", u"A", u"k", u"1", "[A]\r\nk=1\r\n"},
        SetCase{"mixed line ends and odd bytes kept", "; \xFF\xFE\r\n[A]\nk=1\r\nx\n", u"A", u"k",
                u"2", "; \xFF\xFE\r\n[A]\nk=2\r\nx\n"},
        SetCase{"new key after the section's last key", "[A]\nx=1\n\n; about B\n[B]\ny=2\n", u"A",
                u"z", u"3", "[A]\nx=1\nz=3\n\n; about B\n[B]\ny=2\n"},
        SetCase{"new key in a section at the end without line end", "[A]\r\nx=1", u"A", u"z", u"3",
                "[A]\r\nx=1\r\nz=3\r\n"},
        SetCase{"new key under a bare header", "[A]", u"A", u"z", u"3", "[A]\r\nz=3\r\n"},
        SetCase{"a CR closing the file gets its LF", "[S]\nA=x\r", u"S", u"B", u"1",
                "[S]\nA=x\r\nB=1\n"},
        SetCase{"a CR closing the file before a new section", "[S]\r\nA=x\r", u"T", u"B", u"1",
                "[S]\r\nA=x\r\n[T]\r\nB=1\r\n"},
        SetCase{"new key goes to the first section of the name", "[A]\nx=1\n[B]\n[A]\ny=2\n", u"a",
                u"z", u"3", "[A]\nx=1\nz=3\n[B]\n[A]\ny=2\n"},
        SetCase{"new section at the end, LF file", "[A]\nx=1", u"B", u"k", u"v",
                "[A]\nx=1\n[B]\nk=v\n"},
        SetCase{"names written without outer blanks", "", u" S ", u" k ", u"v", "[S]\r\nk=v\r\n"},
        SetCase{"Japanese value", "\xEF\xBB\xBF[A]\r\n", u"A", u"k", u"\u30D5\u30A9",
                "\xEF\xBB\xBF[A]\r\nk=\xE3\x83\x95\xE3\x82\xA9\r\n"},
        SetCase{"blanks kept by quoting", "", u"A", u"k", u" padded ", "[A]\r\nk=\" padded \"\r\n"},
        SetCase{"quotes kept by quoting", "", u"A", u"k", u"'q'", "[A]\r\nk=\"'q'\"\r\n"},
        SetCase{"UTF-16LE file stays UTF-16LE", Utf16Le(u"[A]\r\nx=1\r\n"), u"A", u"k", u"\u30D5",
                Utf16Le(u"[A]\r\nx=1\r\nk=\u30D5\r\n")}),
    [](const auto& p) { return "Case" + std::to_string(p.index); });

TEST(SetValue, RefusesTextThatWouldNotReadBack) {
  struct Case {
    std::u16string section, key, value;
  } const cases[] = {
      {u"A", u"k", u"two\r\nlines"}, {u"A", u"k", u"line\n"}, {u"A\n", u"k", u"v"},
      {u"A", u"k\r", u"v"},          {u"A]", u"k", u"v"},     {u"A", u"k=1", u"v"},
      {u"A", u" ;k", u"v"},          {u"A", u"[k", u"v"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SetValue("[A]\r\nk=1\r\n", c.section, c.key, c.value), std::nullopt)
        << ToUtf8(c.section) << "|" << ToUtf8(c.key) << "|" << ToUtf8(c.value);
  }
}

TEST(SetValue, KeepsAnOddLastByteOfAUtf16File) {
  const std::string before = Utf16Le(u"[A]\r\nk=1\r\n") + "\x41";
  const std::optional<std::string> after = SetValue(before, u"A", u"k", u"2");
  ASSERT_TRUE(after.has_value());
  EXPECT_EQ(*after, Utf16Le(u"[A]\r\nk=2\r\n") + "\x41");
}

// ---- files ------------------------------------------------------------------

std::size_t EntryCount(const std::filesystem::path& folder) {
  return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder),
                                                std::filesystem::directory_iterator()));
}

TEST(IniFile, LoadTellsMissingFromUnreadable) {
  TempDir dir;
  std::string bytes = "stale";
  EXPECT_EQ(LoadFile((dir / "none.ini").string(), bytes), LoadStatus::Missing);
  EXPECT_EQ(bytes, "");
  WriteBytes(dir / "file", "x");
  EXPECT_EQ(LoadFile((dir / "file" / "sub.ini").string(), bytes), LoadStatus::Missing);
  std::filesystem::create_directory(dir / "folder.ini");
  EXPECT_EQ(LoadFile((dir / "folder.ini").string(), bytes), LoadStatus::Failed);
  const std::string content = Hex("EF BB BF 00 0D 0A FF");
  WriteBytes(dir / "a.ini", content);
  EXPECT_EQ(LoadFile((dir / "a.ini").string(), bytes), LoadStatus::Ok);
  EXPECT_EQ(bytes, content);
}

TEST(IniFile, SaveReplacesTheFileKeepingItsModeAndLeavesNoTempFile) {
  TempDir dir;
  const auto file = dir / "Dropwell.ini";
  WriteBytes(file, "old");
  ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
  ASSERT_TRUE(SaveFile(file.string(), "new"));
  EXPECT_EQ(ReadBytes(file), "new");
  struct stat st;
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(EntryCount(dir.Path()), 1u);
}

TEST(IniFile, NewFileGetsTheUsualModeUnderTheUmask) {
  TempDir dir;
  const auto file = dir / "Dropwell.ini";
  const mode_t previous = ::umask(027);
  const bool saved = SaveFile(file.string(), "x");
  ::umask(previous);
  ASSERT_TRUE(saved);
  struct stat st;
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(IniFile, SaveFollowsASymbolicLink) {
  TempDir dir;
  WriteBytes(dir / "real.ini", "old");
  std::filesystem::create_symlink("real.ini", dir / "link.ini");
  ASSERT_TRUE(SaveFile((dir / "link.ini").string(), "new"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.ini"));
  EXPECT_EQ(ReadBytes(dir / "real.ini"), "new");
}

TEST(IniFile, RefusedSavesLeaveTheFolderAsItWas) {
  TempDir dir;
  std::filesystem::create_directory(dir / "Dropwell.ini");
  WriteBytes(dir / "Dropwell.ini" / "inside", "x");
  EXPECT_FALSE(SaveFile((dir / "Dropwell.ini").string(), "new"));
  EXPECT_FALSE(WriteString((dir / "Dropwell.ini").string(), u"A", u"k", u"v"));
  EXPECT_EQ(EntryCount(dir.Path()), 1u);
  EXPECT_EQ(EntryCount(dir / "Dropwell.ini"), 1u);
  EXPECT_FALSE(SaveFile((dir / "missing" / "Dropwell.ini").string(), "new"));
  EXPECT_EQ(EntryCount(dir.Path()), 1u);
}

TEST(IniFile, WriteOfTextThatCannotBeStoredIsRefusedAndTheFileKept) {
  TempDir dir;
  const auto file = dir / "Dropwell.ini";
  WriteBytes(file, "[A]\nk=1\n");
  EXPECT_FALSE(WriteString(file.string(), u"A", u"k", u"1\r\n[B]"));
  EXPECT_EQ(ReadBytes(file), "[A]\nk=1\n");
}

TEST(IniFile, WriteAndReadThroughTheFile) {
  TempDir dir;
  const std::string path = (dir / "Dropwell.ini").string();
  ASSERT_TRUE(WriteString(path, u"Form", u"Top", u"\u30D5 \"x\""));
  ASSERT_TRUE(WriteString(path, u"Select", u"Folder", u"3"));
  EXPECT_EQ(ReadBytes(path), "[Form]\r\nTop=\xE3\x83\x95 \"x\"\r\n[Select]\r\nFolder=3\r\n");
  EXPECT_EQ(ReadString(path, u"form", u"top", u"d"), u"\u30D5 \"x\"");
  // A folder in the file's place reads as no file at all.
  EXPECT_EQ(ReadString(dir.Path().string(), u"Form", u"Top", u"d"), u"d");
}

}  // namespace

TEST(SetValue, OtherKeysReadTheSameAfterAWriteCompletesALoneCrEnd) {
  const std::string before = "[S]\nA=x\r";
  const std::optional<std::string> after = SetValue(before, u"S", u"B", u"1");
  ASSERT_TRUE(after.has_value());
  EXPECT_EQ(FindValue(before, u"S", u"A"), FindValue(*after, u"S", u"A"));
}

}  // namespace dw::ini
