// Existence tests, whole-file reads and the replace-only-when-complete writes.
#include <gtest/gtest.h>

#include <cwchar>
#include <filesystem>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "BackendSupport.h"
#include "platform/Errors.h"
#include "platform/Utf.h"
#include "support/TestSupport.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace dw::test {
namespace {

namespace fs = std::filesystem;

std::set<std::string> Entries(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

std::vector<std::string_view> Chunks(const std::vector<std::string>& parts) {
  return std::vector<std::string_view>(parts.begin(), parts.end());
}

// --- existence tests ---

bool MakeLink(const fs::path& target, const fs::path& link, bool folder) {
#ifdef _WIN32
  // Wine 8 reports success without making the link: look for it too.
  WIN32_FIND_DATAW found;
  if (!::CreateSymbolicLinkW(link.wstring().c_str(), target.wstring().c_str(),
                             folder ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0)) {
    return false;
  }
  const HANDLE search = ::FindFirstFileW(link.wstring().c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  ::FindClose(search);
  return true;
#else
  (void)folder;
  std::error_code error;
  fs::create_symlink(target, link, error);
  return !error;
#endif
}

struct ExistenceCase {
  const char* what;
  std::u16string path;
  bool folder;
  bool file;
};

class ExistenceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteBytes(dir_ / "file.txt", "x");
    fs::create_directory(dir_ / "folder");
    WriteBytes(dir_ / "folder" / "inner.txt", "y");
  }
  void Check(const ExistenceCase& c) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(platform_.FolderExists(c.path), c.folder);
    EXPECT_EQ(platform_.FileExists(c.path), c.file);
  }
  TempDir dir_;
  Backend platform_;
};

TEST_F(ExistenceTest, TellsFoldersFromFilesAndFromNothing) {
  const std::u16string sep(1, kSeparator);
  const std::vector<ExistenceCase> cases = {
      {"file", dir_.U16("file.txt"), false, true},
      {"folder", dir_.U16("folder"), true, false},
      {"folder with trailing separator", dir_.U16("folder") + sep, true, false},
      {"file inside a folder", dir_.U16("folder") + sep + u"inner.txt", false, true},
      {"empty path", u"", false, false},
      {"missing entry", dir_.U16("missing"), false, false},
      {"inside a missing folder", dir_.U16("missing") + sep + u"x", false, false},
      {"a file used as a folder", dir_.U16("file.txt") + sep + u"x", false, false},
  };
  for (const auto& c : cases) Check(c);
}

TEST_F(ExistenceTest, FollowsLinks) {
  if (!MakeLink(dir_ / "folder", dir_ / "folder-link", true) ||
      !MakeLink(dir_ / "file.txt", dir_ / "file-link", false) ||
      !MakeLink(dir_ / "gone", dir_ / "dangling-link", false)) {
    GTEST_SKIP() << "this system makes no symbolic links here";
  }
  const std::vector<ExistenceCase> cases = {
      {"link to a folder", dir_.U16("folder-link"), true, false},
      {"link to a file", dir_.U16("file-link"), false, true},
      {"link to nothing", dir_.U16("dangling-link"), false, false},
  };
  for (const auto& c : cases) Check(c);
}

TEST(ProgramFileTest, IsTheRunningTestExecutable) {
  Backend platform;
  const std::u16string path = platform.ProgramFilePath();
  ASSERT_FALSE(path.empty());
  EXPECT_TRUE(platform.FileExists(path));
  const std::string name = fs::path(path).filename().string();
  EXPECT_EQ(name.rfind("dropwell_platform_tests", 0), 0u) << name;
}

// --- reading ---

TEST(ReadWholeFileTest, ReadsEveryByte) {
  TempDir dir;
  Backend platform;
  const std::vector<std::string> contents = {
      "",
      "a",
      std::string("\0\r\n\xff\xfe", 5),
      std::string(100000, 'z') + "end",
  };
  for (const auto& content : contents) {
    SCOPED_TRACE(content.size());
    WriteBytes(dir / "f.bin", content);
    std::string bytes = "stale";
    ASSERT_EQ(platform.ReadWholeFile(dir.U16("f.bin"), bytes), 0u);
    EXPECT_EQ(bytes, content);
  }
}

TEST(ReadWholeFileTest, FailsWithTheSystemCode) {
  TempDir dir;
  fs::create_directory(dir / "folder");
  Backend platform;
  std::string bytes = "stale";
  EXPECT_EQ(platform.ReadWholeFile(dir.U16("missing.txt"), bytes), kFileNotFound);
  EXPECT_TRUE(bytes.empty());
  const std::u16string sep(1, kSeparator);
  EXPECT_EQ(platform.ReadWholeFile(dir.U16("missing") + sep + u"x.txt", bytes), kPathNotFound);
  EXPECT_NE(platform.ReadWholeFile(dir.U16("folder"), bytes), 0u);
  EXPECT_TRUE(bytes.empty());
}

// --- writing ---

TEST(WriteWholeFileTest, WritesTheChunksInOrderAndReplacesTheOldContent) {
  TempDir dir;
  Backend platform;
  const std::vector<std::vector<std::string>> writes = {
      {},
      {"\xEF\xBB\xBF", "C:\\A,Docs\r\n"},
      {"", std::string("\0\xff", 2), "", "tail"},
      {"short"},  // shorter than before: nothing of the old content may remain
  };
  for (const auto& parts : writes) {
    std::string expected;
    for (const auto& part : parts) expected += part;
    SCOPED_TRACE(expected);
    const WriteResult result = platform.WriteWholeFile(dir.U16("list.txt"), Chunks(parts));
    ASSERT_TRUE(result.ok()) << result.code;
    EXPECT_EQ(ReadBytes(dir / "list.txt"), expected);
    EXPECT_EQ(Entries(dir.Path()), std::set<std::string>{"list.txt"});
  }
}

TEST(WriteWholeFileTest, HandlesFiftyMegabytes) {
  TempDir dir;
  Backend platform;
  std::string big(50u << 20, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i * 31) >> 7);
  const std::string half1 = big.substr(0, big.size() / 2), half2 = big.substr(big.size() / 2);
  ASSERT_TRUE(platform.WriteWholeFile(dir.U16("big.bin"), {half1, half2}).ok());
  std::string back;
  ASSERT_EQ(platform.ReadWholeFile(dir.U16("big.bin"), back), 0u);
  EXPECT_TRUE(back == big);  // not EXPECT_EQ: a mismatch would print 100 MB
}

TEST(WriteWholeFileTest, DirectoryInTheWayFailsAtCreateAndStaysAsItWas) {
  TempDir dir;
  fs::create_directory(dir / "list.txt");
  WriteBytes(dir / "list.txt" / "keep", "kept");
  Backend platform;
  const WriteResult result = platform.WriteWholeFile(dir.U16("list.txt"), {"new"});
  EXPECT_EQ(result.stage, WriteResult::Stage::Create);
  EXPECT_EQ(result.code, kDirectoryInTheWay);
  EXPECT_TRUE(fs::is_directory(dir / "list.txt"));
  EXPECT_EQ(ReadBytes(dir / "list.txt" / "keep"), "kept");
  EXPECT_EQ(Entries(dir.Path()), std::set<std::string>{"list.txt"});
}

TEST(WriteWholeFileTest, MissingFolderFailsAtCreate) {
  TempDir dir;
  Backend platform;
  const std::u16string sep(1, kSeparator);
  const WriteResult result = platform.WriteWholeFile(dir.U16("missing") + sep + u"x.txt", {"new"});
  EXPECT_EQ(result.stage, WriteResult::Stage::Create);
  EXPECT_EQ(result.code, kPathNotFound);
  EXPECT_TRUE(Entries(dir.Path()).empty());
  EXPECT_EQ(platform.WriteWholeFile(u"", {"new"}).stage, WriteResult::Stage::Create);
}

struct WriteFailureCase {
  bool oldFileExists;
  int failAt;  // which chunk's write fails
};

TEST(WriteWholeFileTest, FailedWriteStageLeavesTheOldStateByteIdentical) {
  const std::string old("old\r\ncontent\0\xff", 15);
  const std::vector<std::string> parts = {"\xEF\xBB\xBF", "first line\r\n", "second line\r\n"};
  for (const WriteFailureCase c : {WriteFailureCase{true, 1}, WriteFailureCase{true, 3},
                                   WriteFailureCase{false, 1}, WriteFailureCase{false, 2}}) {
    SCOPED_TRACE(::testing::Message()
                 << "old file " << c.oldFileExists << ", fail at " << c.failAt);
    TempDir dir;
    if (c.oldFileExists) WriteBytes(dir / "list.txt", old);
    FailingWrites platform(c.failAt);
    const WriteResult result = platform.WriteWholeFile(dir.U16("list.txt"), Chunks(parts));
    EXPECT_EQ(result.stage, WriteResult::Stage::Write);
    EXPECT_EQ(result.code, kDiskFull);
    EXPECT_EQ(platform.Calls(), c.failAt);  // the first failing chunk ends the write
    if (c.oldFileExists) {
      EXPECT_EQ(ReadBytes(dir / "list.txt"), old);
      EXPECT_EQ(Entries(dir.Path()), std::set<std::string>{"list.txt"});
    } else {
      EXPECT_TRUE(Entries(dir.Path()).empty());
    }
  }
  SaveFaultRow("disk full (a failing write)", "folder list", "old file whole, nothing new left");
}

TEST(WriteWholeFileTest, ErrorTextOfAFailureNamesItInTheCreateError) {
  TempDir dir;
  fs::create_directory(dir / "list.txt");
  Backend platform;
  const WriteResult result = platform.WriteWholeFile(dir.U16("list.txt"), {"new"});
  ASSERT_FALSE(result.ok());
  const std::u16string text = platform.ErrorText(result.code);
  ASSERT_FALSE(text.empty());
  const EFCreateError error(dir.U16("list.txt"), text);
  EXPECT_EQ(error.Message(),
            u"ファイル \"" + dir.U16("list.txt") + u"\" を作成できません。" + text);
}

#ifdef _WIN32

// A program path past the old 260-character limit, as GetModuleFileNameW
// hands it out: cut to the buffer, with the buffer's size as its length.
class LongPathBackend : public Backend {
 public:
  std::wstring path;
  std::vector<std::uint32_t> asked;

 protected:
  std::uint32_t ModuleFileName(wchar_t* buffer, std::uint32_t size) override {
    asked.push_back(size);
    const std::size_t n = std::min<std::size_t>(path.size(), size - 1);
    std::copy_n(path.data(), n, buffer);
    buffer[n] = L'\0';
    return path.size() < size ? static_cast<std::uint32_t>(path.size()) : size;
  }
};

TEST(WinProgramFilePathTest, APathLongerThanTheOldLimitIsNeverCut) {
  for (const std::size_t length : {std::size_t{20}, std::size_t{260}, std::size_t{261},
                                   std::size_t{700}, std::size_t{32000}}) {
    LongPathBackend platform;
    platform.path = L"C:\\" + std::wstring(length - 16, L'd') + L"\\Dropwell.exe";
    ASSERT_EQ(platform.path.size(), length);
    const std::u16string got = platform.ProgramFilePath();
    EXPECT_EQ(got.size(), length);
    EXPECT_EQ(got.substr(got.size() - 13), u"\\Dropwell.exe");
  }
}

TEST(WinWriteWholeFileTest, RefusesReadOnlyHiddenAndSystemFilesLikeCreateAlways) {
  for (const DWORD attribute : {DWORD{FILE_ATTRIBUTE_READONLY}, DWORD{FILE_ATTRIBUTE_HIDDEN},
                                DWORD{FILE_ATTRIBUTE_SYSTEM}}) {
    SCOPED_TRACE(attribute);
    TempDir dir;
    WriteBytes(dir / "list.txt", "old");
    const std::wstring path = (dir / "list.txt").wstring();
    if (!::SetFileAttributesW(path.c_str(), attribute) ||
        (::GetFileAttributesW(path.c_str()) & attribute) == 0) {
      GTEST_SKIP() << "this file system does not keep attribute " << attribute;
    }
    Backend platform;
    const WriteResult result = platform.WriteWholeFile(dir.U16("list.txt"), {"new"});
    EXPECT_EQ(result.stage, WriteResult::Stage::Create);
    EXPECT_EQ(result.code, kAccessDenied);
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadBytes(dir / "list.txt"), "old");
    EXPECT_EQ(Entries(dir.Path()), std::set<std::string>{"list.txt"});
  }
}

TEST(WinWriteWholeFileTest, FileOpenElsewhereWithoutSharingFailsAtCreate) {
  TempDir dir;
  WriteBytes(dir / "list.txt", "old");
  const HANDLE held = ::CreateFileW((dir / "list.txt").wstring().c_str(), GENERIC_READ, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  Backend platform;
  const WriteResult result = platform.WriteWholeFile(dir.U16("list.txt"), {"new"});
  ::CloseHandle(held);
  EXPECT_EQ(result.stage, WriteResult::Stage::Create);
  EXPECT_EQ(result.code, 32u);  // ERROR_SHARING_VIOLATION
  EXPECT_EQ(ReadBytes(dir / "list.txt"), "old");
}

TEST(WinWriteWholeFileTest, HardLinkedFileIsWrittenForEveryName) {
  TempDir dir;
  WriteBytes(dir / "list.txt", "old content");
  if (!::CreateHardLinkW((dir / "other.txt").wstring().c_str(),
                         (dir / "list.txt").wstring().c_str(), nullptr)) {
    GTEST_SKIP() << "no hard links on this file system";
  }
  Backend platform;
  ASSERT_TRUE(platform.WriteWholeFile(dir.U16("list.txt"), {"new"}).ok());
  EXPECT_EQ(ReadBytes(dir / "list.txt"), "new");
  EXPECT_EQ(ReadBytes(dir / "other.txt"), "new");  // cut to the new length too
  EXPECT_EQ(Entries(dir.Path()), (std::set<std::string>{"list.txt", "other.txt"}));
  SaveFaultRow("hard-linked file", "folder list", "both names read the new content");
}

TEST(WinWriteWholeFileTest, TempFilesOfKilledSavesAreRemovedAtTheNextSave) {
  TempDir dir;
  WriteBytes(dir / "list.txt", "old");
  // No process has this number; this process is alive, so its name stays.
  WriteBytes(dir / "list.txt.~fffffff0-3.tmp", "left by a killed save");
  wchar_t own[16];
  std::swprintf(own, 16, L"%lx", static_cast<unsigned long>(::GetCurrentProcessId()));
  const std::string running = "list.txt.~" + fs::path(own).string() + "-ffff.tmp";
  WriteBytes(dir / running, "in progress");
  WriteBytes(dir / "list.txt.~note.tmp", "not ours");
  Backend platform;
  ASSERT_TRUE(platform.WriteWholeFile(dir.U16("list.txt"), {"new"}).ok());
  EXPECT_EQ(ReadBytes(dir / "list.txt"), "new");
  EXPECT_EQ(Entries(dir.Path()),
            (std::set<std::string>{"list.txt", running, "list.txt.~note.tmp"}));
  SaveFaultRow("killed between write and rename", "folder list", "temp removed next time");
}

TEST(WinWriteWholeFileTest, PathNearTheLimitIsSavedWithoutATempFileLeft) {
  // The temp path is longer than the file's; beyond the path limit the file
  // is written in place instead.
  TempDir dir;
  const std::size_t base = dir.Path().wstring().size() + 1;
  ASSERT_LT(base + 8, std::size_t{MAX_PATH});
  const std::string name(MAX_PATH - 5 - base, 'n');
  for (const char* content : {"first", "second, longer", "3rd"}) {
    Backend platform;
    const WriteResult result = platform.WriteWholeFile(dir.U16(name), {content});
    ASSERT_TRUE(result.ok()) << result.code;
    EXPECT_EQ(ReadBytes(dir / name), content);
    EXPECT_EQ(Entries(dir.Path()), std::set<std::string>{name});
  }
  SaveFaultRow("temp name too long", "folder list", "written in place");
}

// A folder where this user may not create files, holding a file it may
// write: Wine enforces that only for a user without root rights, so the
// lane run as such a user makes one and names it in DW_LOCKED_FOLDER.
TEST(WinWriteWholeFileTest, FolderWhereFilesCannotBeCreatedGetsTheFileWrittenInPlace) {
  const wchar_t* locked = _wgetenv(L"DW_LOCKED_FOLDER");
  if (locked == nullptr || *locked == L'\0')
    GTEST_SKIP() << "run by the lane as a user without root rights, which sets DW_LOCKED_FOLDER";
  const fs::path folder(locked);
  const std::wstring probe = (folder / "probe.tmp").wstring();
  const HANDLE made = ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (made != INVALID_HANDLE_VALUE) {
    ::CloseHandle(made);
    ::DeleteFileW(probe.c_str());
    FAIL() << "files can be created in " << folder << ": not a locked folder";
  }
  const std::set<std::string> before = Entries(folder);
  ASSERT_EQ(before.count("Dropwell.txt"), 1u);

  // The file there is written through its own handle, several times, to a
  // shorter content too: no temp file was needed.
  Backend platform;
  for (const char* content : {"new, longer content", "short"}) {
    const WriteResult result =
        platform.WriteWholeFile((folder / "Dropwell.txt").u16string(), {content});
    ASSERT_TRUE(result.ok()) << result.code;
    EXPECT_EQ(ReadBytes(folder / "Dropwell.txt"), content);
  }
  // A new file cannot be made there: refused at the create, as a plain
  // create-always is, and nothing is left.
  const WriteResult refused = platform.WriteWholeFile((folder / "Dropwell.ini").u16string(), {"x"});
  EXPECT_EQ(refused.stage, WriteResult::Stage::Create);
  EXPECT_EQ(refused.code, kAccessDenied);
  EXPECT_EQ(Entries(folder), before);
  SaveFaultRow("folder where files cannot be made", "folder list",
               "existing written in place, new refused");
}

TEST(WinReadWholeFileTest, FileOpenForWritingElsewhereCannotBeRead) {
  TempDir dir;
  WriteBytes(dir / "list.txt", "old");
  const HANDLE held =
      ::CreateFileW((dir / "list.txt").wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  Backend platform;
  std::string bytes;
  const std::uint32_t code = platform.ReadWholeFile(dir.U16("list.txt"), bytes);
  ::CloseHandle(held);
  EXPECT_EQ(code, 32u);  // ERROR_SHARING_VIOLATION
}

#else

mode_t ModeOf(const fs::path& file) {
  struct stat info {};
  EXPECT_EQ(::stat(file.c_str(), &info), 0);
  return info.st_mode & 07777;
}

TEST(PosixWriteWholeFileTest, FileWithoutWriteBitsIsRefusedEvenForRoot) {
  TempDir dir;
  WriteBytes(dir / "list.txt", "old");
  ASSERT_EQ(::chmod((dir / "list.txt").c_str(), 0444), 0);
  PosixPlatform platform;
  const WriteResult result = platform.WriteWholeFile(dir.U16("list.txt"), {"new"});
  EXPECT_EQ(result.stage, WriteResult::Stage::Create);
  EXPECT_EQ(result.code, static_cast<std::uint32_t>(EACCES));
  EXPECT_EQ(ReadBytes(dir / "list.txt"), "old");
  EXPECT_EQ(Entries(dir.Path()), std::set<std::string>{"list.txt"});
}

TEST(PosixWriteWholeFileTest, KeepsThePermissionBitsOfTheReplacedFile) {
  TempDir dir;
  PosixPlatform platform;
  for (const mode_t mode : {mode_t{0600}, mode_t{0640}, mode_t{0755}}) {
    SCOPED_TRACE(mode);
    WriteBytes(dir / "list.txt", "old");
    ASSERT_EQ(::chmod((dir / "list.txt").c_str(), mode), 0);
    ASSERT_TRUE(platform.WriteWholeFile(dir.U16("list.txt"), {"new"}).ok());
    EXPECT_EQ(ModeOf(dir / "list.txt"), mode);
  }
}

TEST(PosixWriteWholeFileTest, NewFileGetsTheModeOfAPlainCreate) {
  TempDir dir;
  PosixPlatform platform;
  const mode_t previous = ::umask(027);
  const WriteResult result = platform.WriteWholeFile(dir.U16("list.txt"), {"new"});
  ::umask(previous);
  ASSERT_TRUE(result.ok());
  EXPECT_EQ(ModeOf(dir / "list.txt"), mode_t{0640});
}

TEST(PosixWriteWholeFileTest, WritesThroughALinkToTheFileItNames) {
  TempDir dir;
  WriteBytes(dir / "real.txt", "old");
  fs::create_symlink(dir / "real.txt", dir / "list.txt");
  PosixPlatform platform;
  ASSERT_TRUE(platform.WriteWholeFile(dir.U16("list.txt"), {"new"}).ok());
  EXPECT_TRUE(fs::is_symlink(dir / "list.txt"));
  EXPECT_EQ(ReadBytes(dir / "real.txt"), "new");
  EXPECT_EQ(Entries(dir.Path()), (std::set<std::string>{"list.txt", "real.txt"}));
}

#endif

}  // namespace
}  // namespace dw::test
