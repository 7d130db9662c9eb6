// The Windows shell's file operation: the record byte by byte, and real
// transfers through SHFileOperationW.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "platform/Platform.h"
#include "platform/win/WinShell.h"
#include "support/TestSupport.h"

namespace dw {
namespace {

namespace fs = std::filesystem;
using test::Hex;
using test::ReadBytes;
using test::TempDir;
using test::Tree;
using test::WriteBytes;

std::string Bytes(const wchar_t* text, size_t chars) {
  return std::string(reinterpret_cast<const char*>(text), chars * sizeof(wchar_t));
}

TEST(ShellFileOpRecord, IsFilledAsTheShellExpects) {
  struct Case {
    const char* name;
    std::vector<std::u16string> sources;
    const char* fromHex;  // UTF-16LE, terminators included
  };
  const Case cases[] = {
      {"none", {}, "00 00 00 00"},
      {"one", {u"C:\\a.txt"}, "43 00 3A 00 5C 00 61 00 2E 00 74 00 78 00 74 00 00 00 00 00"},
      {"three",
       {u"a", u"日", u"c:\\x"},
       "61 00 00 00  E5 65 00 00  63 00 3A 00 5C 00 78 00 00 00  00 00"},
  };
  for (const auto& c : cases) {
    for (const bool copy : {true, false}) {
      SCOPED_TRACE(std::string(c.name) + (copy ? " copy" : " move"));
      ShellOpBuffers buffers;
      const SHFILEOPSTRUCTW op = BuildShellFileOp(nullptr, copy, c.sources, u"D:\\目的", buffers);
      const std::string from = Hex(c.fromHex);
      EXPECT_EQ(Bytes(op.pFrom, from.size() / 2), from);
      const std::string to = Hex("44 00 3A 00 5C 00 EE 76 84 76 00 00 00 00");
      EXPECT_EQ(Bytes(op.pTo, to.size() / 2), to);
      EXPECT_EQ(op.hwnd, nullptr);
      EXPECT_EQ(op.wFunc, copy ? 2u : 1u);
      EXPECT_EQ(op.fFlags, 0);
      EXPECT_EQ(op.fAnyOperationsAborted, FALSE);
      EXPECT_EQ(op.hNameMappings, nullptr);
      EXPECT_EQ(op.lpszProgressTitle, nullptr);
    }
  }
}

TEST(ShellFileOpRecord, CarriesTheOwnerWhenOneIsGiven) {
  ShellOpBuffers buffers;
  const HWND owner = GetDesktopWindow();
  EXPECT_EQ(BuildShellFileOp(owner, true, {u"a"}, u"b", buffers).hwnd, owner);
}

class ShellFileOperationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(tmp / "src");
    fs::create_directory(tmp / "dst");
  }
  std::unique_ptr<Platform> platform = CreateSystemPlatform();
  TempDir tmp;
};

TEST_F(ShellFileOperationTest, CopiesThreeFilesAndAFolder) {
  WriteBytes(tmp / "src" / "a.txt", "alpha");
  WriteBytes(tmp / "src" / "b.bin", std::string("\0\1\2", 3));
  WriteBytes(tmp / "src" / "c.txt", std::string(100000, 'c'));
  fs::create_directories(tmp / "src" / "folder" / "sub");
  WriteBytes(tmp / "src" / "folder" / "in.txt", "in");
  WriteBytes(tmp / "src" / "folder" / "sub" / "deep.txt", "deep");

  const auto r = platform->ShellFileOperation(
      nullptr, true,
      {tmp.U16("src/a.txt"), tmp.U16("src/b.bin"), tmp.U16("src/c.txt"), tmp.U16("src/folder")},
      tmp.U16("dst"));
  EXPECT_EQ(r.code, 0);
  EXPECT_FALSE(r.anyAborted);
  EXPECT_EQ(Tree(tmp / "dst"), Tree(tmp / "src"));
  EXPECT_EQ(Tree(tmp / "dst").size(), 7u);
}

TEST_F(ShellFileOperationTest, MovesAFile) {
  WriteBytes(tmp / "src" / "m.txt", "moved");
  const auto r =
      platform->ShellFileOperation(nullptr, false, {tmp.U16("src/m.txt")}, tmp.U16("dst"));
  EXPECT_EQ(r.code, 0);
  EXPECT_FALSE(r.anyAborted);
  EXPECT_EQ(ReadBytes(tmp / "dst" / "m.txt"), "moved");
  EXPECT_FALSE(fs::exists(tmp / "src" / "m.txt"));
}

TEST_F(ShellFileOperationTest, UnansweredConflictIsReportedAsAborted) {
  // With no one to answer the shell's question, the existing file stays and
  // the outcome says so.
  WriteBytes(tmp / "src" / "a.txt", "new");
  WriteBytes(tmp / "dst" / "a.txt", "old");
  const auto r =
      platform->ShellFileOperation(nullptr, true, {tmp.U16("src/a.txt")}, tmp.U16("dst"));
  EXPECT_TRUE(r.anyAborted);
  EXPECT_EQ(ReadBytes(tmp / "dst" / "a.txt"), "old");
}

TEST_F(ShellFileOperationTest, RelativeFolderIsTakenInTheProgramsFolder) {
  // A folder list edited by hand may name a folder relative to the program;
  // the current directory, where a folder of that name also is, plays no
  // part. The sources go with forward slashes; the shell gets native ones.
  const test::FolderBesideProgram there(platform->ProgramFilePath());
  const std::string& name = there.Name();
  WriteBytes(tmp / "src" / "a.txt", "a");
  const std::u16string relative(name.begin(), name.end());
  std::u16string source = tmp.U16("src/a.txt");
  for (auto& c : source)
    if (c == u'\\') c = u'/';
  bool found = false;
  ShellOpResult r;
  {
    const test::CurrentDirectory inside(tmp.Path());
    found = platform->FolderExists(relative);
    fs::create_directory(tmp / name);
    r = platform->ShellFileOperation(nullptr, true, {source}, relative);
  }
  EXPECT_TRUE(found);
  EXPECT_EQ(r.code, 0);
  EXPECT_FALSE(r.anyAborted);
  EXPECT_EQ(ReadBytes(there.Path() / "a.txt"), "a");
  EXPECT_TRUE(fs::is_empty(tmp / name));
}

}  // namespace
}  // namespace dw
