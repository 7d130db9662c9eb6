// The POSIX transfer engine, driven by a scripted UI that answers its
// questions from a queue and records what it was asked.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/magic.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "platform/Utf.h"
#include "platform/posix/TransferEngine.h"
#include "support/TestSupport.h"

namespace dw {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::TempDir;
using test::TransferFaultRow;
using test::Tree;
using test::WriteBytes;

class ScriptedUi : public TransferUi {
 public:
  void Begin(bool, const std::u16string&) override { ++begins; }
  bool Progress(const TransferProgress& p) override {
    if (!p.currentName.empty() && (names.empty() || names.back() != p.currentName))
      names.push_back(p.currentName);
    last = p;
    return onProgress ? onProgress(p) : true;
  }
  ConflictAnswer AskConflict(const TransferConflict& c) override {
    conflicts.push_back(c);
    if (conflictAnswers.empty()) {
      ADD_FAILURE() << "unexpected conflict for " << fs::path(c.targetPath);
      return {ConflictChoice::Cancel, false};
    }
    const auto answer = conflictAnswers.front();
    conflictAnswers.pop_front();
    return answer;
  }
  ErrorChoice AskError(const TransferError& e) override {
    errors.push_back(e);
    if (onError) onError(e);
    if (errorAnswers.empty()) {
      ADD_FAILURE() << "unexpected error " << e.code << " for " << fs::path(e.path);
      return ErrorChoice::Cancel;
    }
    const auto answer = errorAnswers.front();
    errorAnswers.pop_front();
    return answer;
  }
  void End() override { ++ends; }

  std::deque<ConflictAnswer> conflictAnswers;
  std::deque<ErrorChoice> errorAnswers;
  std::function<bool(const TransferProgress&)> onProgress;
  std::function<void(const TransferError&)> onError;
  std::vector<TransferConflict> conflicts;
  std::vector<TransferError> errors;
  std::vector<std::u16string> names;
  TransferProgress last;
  int begins = 0;
  int ends = 0;
};

std::u16string U16(const fs::path& p) {
  return p.u16string();
}

class TransferEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(src / "");
    fs::create_directory(dst / "");
  }
  ShellOpResult Run(bool copy, const std::vector<fs::path>& sources, const fs::path& destination) {
    std::vector<std::u16string> list;
    for (const auto& s : sources) list.push_back(U16(s));
    return RunTransfer(ui, copy, list, U16(destination));
  }
  // A small folder: two files, a subfolder with a file, an empty folder and
  // a link.
  void MakeFolder(const fs::path& folder) {
    fs::create_directories(folder / "sub" / "empty");
    WriteBytes(folder / "one.txt", "one");
    WriteBytes(folder / "two.bin", std::string("\0\1\2", 3));
    WriteBytes(folder / "sub" / "deep.txt", "deep");
    fs::create_symlink("one.txt", folder / "link");
  }

  TempDir tmp;
  fs::path src = tmp / "src";
  fs::path dst = tmp / "dst";
  ScriptedUi ui;
};

void ExpectClean(const ShellOpResult& r) {
  EXPECT_EQ(r.code, 0);
  EXPECT_FALSE(r.anyAborted);
}

TEST_F(TransferEngineTest, CopiesSourcesInTheGivenOrder) {
  WriteBytes(src / "a.txt", "alpha");
  WriteBytes(src / "b.txt", "bravo");
  WriteBytes(src / "c.txt", std::string(3 << 20, 'c'));  // more than one read
  ExpectClean(Run(true, {src / "c.txt", src / "a.txt", src / "b.txt"}, dst));

  EXPECT_EQ(ui.names, (std::vector<std::u16string>{u"c.txt", u"a.txt", u"b.txt"}));
  EXPECT_EQ(Tree(dst), Tree(src));
  EXPECT_EQ(Tree(src).size(), 3u);
  EXPECT_EQ(ui.begins, 1);
  EXPECT_EQ(ui.ends, 1);
  EXPECT_EQ(ui.last.itemsDone, 3u);
  EXPECT_EQ(ui.last.itemsTotal, 3u);
  EXPECT_EQ(ui.last.bytesDone, (3u << 20) + 10);
  EXPECT_EQ(ui.last.bytesTotal, ui.last.bytesDone);
}

TEST_F(TransferEngineTest, CopyKeepsTheModificationTime) {
  WriteBytes(src / "old.txt", "old");
  const auto stamp = fs::file_time_type::clock::now() - std::chrono::hours(24 * 400);
  fs::last_write_time(src / "old.txt", stamp);
  ExpectClean(Run(true, {src / "old.txt"}, dst));
  EXPECT_EQ(fs::last_write_time(dst / "old.txt"), stamp);
}

TEST_F(TransferEngineTest, MoveRemovesTheSources) {
  WriteBytes(src / "a.txt", "alpha");
  WriteBytes(src / "b.txt", "bravo");
  WriteBytes(src / "keep.txt", "stays");
  ExpectClean(Run(false, {src / "b.txt", src / "a.txt"}, dst));

  EXPECT_EQ(Tree(dst),
            (std::map<std::string, std::string>{{"a.txt", "alpha"}, {"b.txt", "bravo"}}));
  EXPECT_EQ(Tree(src), (std::map<std::string, std::string>{{"keep.txt", "stays"}}));
  EXPECT_EQ(ui.names, (std::vector<std::u16string>{u"b.txt", u"a.txt"}));
}

TEST_F(TransferEngineTest, FolderGoesWithItsContents) {
  for (const bool copy : {true, false}) {
    SCOPED_TRACE(copy ? "copy" : "move");
    fs::remove_all(dst);
    fs::create_directory(dst);
    fs::remove_all(src / "folder");
    MakeFolder(src / "folder");
    const auto before = Tree(src / "folder");
    ExpectClean(Run(copy, {src / "folder"}, dst));
    EXPECT_EQ(Tree(dst / "folder"), before);
    EXPECT_EQ(fs::exists(src / "folder"), copy);
  }
}

TEST_F(TransferEngineTest, LinksAreCopiedAsLinksAndReplacedWhole) {
  // A dangling link, and one whose target is longer than a first guess at
  // its length.
  const std::string longTarget = std::string(300, 'x') + "/" + std::string(200, 'y');
  fs::create_symlink("nowhere", src / "dangling");
  fs::create_symlink(longTarget, src / "long");
  fs::create_symlink("old", dst / "long");
  ui.conflictAnswers = {{ConflictChoice::Replace, false}};
  ExpectClean(Run(true, {src / "dangling", src / "long"}, dst));

  ASSERT_EQ(ui.conflicts.size(), 1u);
  EXPECT_EQ(ui.conflicts[0].targetPath, U16(dst / "long"));
  const std::map<std::string, std::string> expected{{"dangling", "-> nowhere"},
                                                    {"long", "-> " + longTarget}};
  EXPECT_EQ(Tree(dst), expected);  // nothing left beside them
}

TEST_F(TransferEngineTest, EmptyListDoesNothingAndSucceeds) {
  WriteBytes(dst / "there.txt", "x");
  for (const bool copy : {true, false}) ExpectClean(Run(copy, {}, dst));
  EXPECT_EQ(ui.begins, 0);
  EXPECT_EQ(Tree(dst).size(), 1u);
}

TEST_F(TransferEngineTest, MissingDestinationIsAnErrorAndNothingIsCreated) {
  WriteBytes(src / "a.txt", "alpha");
  fs::remove(dst);
  for (const auto answer : {ErrorChoice::Cancel, ErrorChoice::Skip}) {
    ui.errorAnswers = {answer};
    const auto r = Run(false, {src / "a.txt"}, dst);
    EXPECT_EQ(r.code, ENOENT);
    EXPECT_TRUE(r.anyAborted);
  }
  ASSERT_EQ(ui.errors.size(), 2u);
  EXPECT_EQ(ui.errors[0].path, U16(dst));
  EXPECT_FALSE(fs::exists(dst));
  EXPECT_EQ(ReadBytes(src / "a.txt"), "alpha");

  // Created again before "Try again": the transfer goes on.
  ui.errorAnswers = {ErrorChoice::TryAgain};
  ui.onError = [&](const TransferError&) { fs::create_directory(dst); };
  ExpectClean(Run(true, {src / "a.txt"}, dst));
  EXPECT_EQ(ReadBytes(dst / "a.txt"), "alpha");
}

struct ConflictCase {
  const char* name;
  bool copy;
  ConflictChoice choice;
  std::map<std::string, std::string> dst;  // afterwards
  bool sourceKept;
  bool aborted;
};

class ConflictTest : public TransferEngineTest,
                     public ::testing::WithParamInterface<ConflictCase> {};

TEST_P(ConflictTest, AnswerDecides) {
  const auto& c = GetParam();
  WriteBytes(src / "a.txt", "new a");
  WriteBytes(src / "b.txt", "new b");
  WriteBytes(dst / "a.txt", "old a");
  ui.conflictAnswers = {{c.choice, false}};
  const auto r = Run(c.copy, {src / "a.txt", src / "b.txt"}, dst);

  ASSERT_EQ(ui.conflicts.size(), 1u);
  EXPECT_EQ(ui.conflicts[0].sourcePath, U16(src / "a.txt"));
  EXPECT_EQ(ui.conflicts[0].targetPath, U16(dst / "a.txt"));
  EXPECT_EQ(Tree(dst), c.dst);
  EXPECT_EQ(fs::exists(src / "a.txt"), c.sourceKept);
  EXPECT_EQ(r.anyAborted, c.aborted);
  EXPECT_EQ(r.code, 0);
}

const std::map<std::string, std::string> kReplaced{{"a.txt", "new a"}, {"b.txt", "new b"}};
const std::map<std::string, std::string> kSkipped{{"a.txt", "old a"}, {"b.txt", "new b"}};
const std::map<std::string, std::string> kBoth{
    {"a.txt", "old a"}, {"a (2).txt", "new a"}, {"b.txt", "new b"}};
const std::map<std::string, std::string> kCancelled{{"a.txt", "old a"}};

INSTANTIATE_TEST_SUITE_P(
    EachAnswer, ConflictTest,
    ::testing::Values(
        ConflictCase{"CopyReplace", true, ConflictChoice::Replace, kReplaced, true, false},
        ConflictCase{"CopySkip", true, ConflictChoice::Skip, kSkipped, true, true},
        ConflictCase{"CopyKeepBoth", true, ConflictChoice::KeepBoth, kBoth, true, false},
        ConflictCase{"CopyCancel", true, ConflictChoice::Cancel, kCancelled, true, true},
        ConflictCase{"MoveReplace", false, ConflictChoice::Replace, kReplaced, false, false},
        ConflictCase{"MoveSkip", false, ConflictChoice::Skip, kSkipped, true, true},
        ConflictCase{"MoveKeepBoth", false, ConflictChoice::KeepBoth, kBoth, false, false},
        ConflictCase{"MoveCancel", false, ConflictChoice::Cancel, kCancelled, true, true}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(TransferEngineTest, AnswerForAllIsAskedOnce) {
  for (const char* name : {"x.txt", "y.txt", "z.txt"}) {
    WriteBytes(src / name, std::string("new ") + name);
    WriteBytes(dst / name, "old");
  }
  WriteBytes(dst / "x (2).txt", "taken too");
  ui.conflictAnswers = {{ConflictChoice::KeepBoth, true}};
  ExpectClean(Run(true, {src / "x.txt", src / "y.txt", src / "z.txt"}, dst));
  EXPECT_EQ(ui.conflicts.size(), 1u);
  EXPECT_EQ(Tree(dst), (std::map<std::string, std::string>{{"x.txt", "old"},
                                                           {"x (2).txt", "taken too"},
                                                           {"x (3).txt", "new x.txt"},
                                                           {"y.txt", "old"},
                                                           {"y (2).txt", "new y.txt"},
                                                           {"z.txt", "old"},
                                                           {"z (2).txt", "new z.txt"}}));

  // Skip for all: the outcome counts as aborted, and nothing is asked again.
  ui.conflicts.clear();
  ui.conflictAnswers = {{ConflictChoice::Skip, true}};
  const auto before = Tree(dst);
  const auto r = Run(false, {src / "x.txt", src / "y.txt", src / "z.txt"}, dst);
  EXPECT_TRUE(r.anyAborted);
  EXPECT_EQ(ui.conflicts.size(), 1u);
  EXPECT_EQ(Tree(dst), before);
  EXPECT_EQ(Tree(src).size(), 3u);
}

TEST_F(TransferEngineTest, FolderOntoFolderMergesAndReplaceKeepsOtherContents) {
  for (const bool copy : {true, false}) {
    SCOPED_TRACE(copy ? "copy" : "move");
    fs::remove_all(dst);
    fs::create_directories(dst / "f" / "sub");
    WriteBytes(dst / "f" / "other.txt", "theirs");
    WriteBytes(dst / "f" / "same.txt", "old");
    WriteBytes(dst / "f" / "sub" / "kept.txt", "kept");
    fs::create_directories(src / "f" / "sub");
    WriteBytes(src / "f" / "same.txt", "new");
    WriteBytes(src / "f" / "sub" / "added.txt", "added");
    ui.conflicts.clear();
    ui.conflictAnswers = {{ConflictChoice::Replace, false}};
    ExpectClean(Run(copy, {src / "f"}, dst));
    ASSERT_EQ(ui.conflicts.size(), 1u);  // the file, never the folders
    EXPECT_EQ(Tree(dst / "f"), (std::map<std::string, std::string>{{"other.txt", "theirs"},
                                                                   {"same.txt", "new"},
                                                                   {"sub", "/"},
                                                                   {"sub/kept.txt", "kept"},
                                                                   {"sub/added.txt", "added"}}));
    EXPECT_EQ(fs::exists(src / "f"), copy);
  }
}

TEST_F(TransferEngineTest, ReplaceBetweenFileAndFolderKeepsBoth) {
  fs::create_directories(dst / "n");
  WriteBytes(dst / "n" / "inside.txt", "inside");
  WriteBytes(src / "n", "a file");
  ui.conflictAnswers = {{ConflictChoice::Replace, false}};
  ExpectClean(Run(true, {src / "n"}, dst));
  ASSERT_EQ(ui.conflicts.size(), 1u);
  EXPECT_FALSE(ui.conflicts[0].sourceIsFolder);
  EXPECT_TRUE(ui.conflicts[0].targetIsFolder);
  EXPECT_EQ(Tree(dst), (std::map<std::string, std::string>{
                           {"n", "/"}, {"n/inside.txt", "inside"}, {"n (2)", "a file"}}));
}

TEST_F(TransferEngineTest, FoldersReplacedDuringATransferAreFoundAgain) {
  // Between two files, both the folder being read and the one being written
  // are deleted and made anew (as a sync tool might): the second file is
  // found and lands in the new folder, with no error, as by whole paths.
  fs::create_directory(src / "folder");
  WriteBytes(src / "folder" / "a.txt", "a");
  WriteBytes(src / "folder" / "b.txt", "b");
  bool replaced = false;
  ui.onProgress = [&](const TransferProgress& p) {
    if (p.itemsDone == 2 && !replaced) {  // the folder and its first file
      replaced = true;
      const std::string first = fs::exists(dst / "folder" / "a.txt") ? "a.txt" : "b.txt";
      const std::string second = first == "a.txt" ? "b.txt" : "a.txt";
      fs::remove_all(dst / "folder");
      fs::create_directory(dst / "folder");
      fs::rename(src / "folder", tmp / "old");
      fs::create_directory(src / "folder");
      fs::rename(tmp / "old" / second, src / "folder" / second);
    }
    return true;
  };
  ExpectClean(Run(true, {src / "folder"}, dst));
  EXPECT_TRUE(replaced);
  EXPECT_TRUE(ui.errors.empty());
  EXPECT_EQ(Tree(dst / "folder").size(), 1u);
}

TEST_F(TransferEngineTest, ErrorAnswersTryAgainSkipCancel) {
  struct Case {
    ErrorChoice answer;
    std::map<std::string, std::string> dst;
    int code;
  };
  const Case cases[] = {
      {ErrorChoice::TryAgain, {{"a", "a"}, {"late", "late"}, {"c", "c"}}, 0},
      {ErrorChoice::Skip, {{"a", "a"}, {"c", "c"}}, ENOENT},
      {ErrorChoice::Cancel, {{"a", "a"}}, ENOENT},
  };
  for (const auto& c : cases) {
    fs::remove_all(src);
    fs::remove_all(dst);
    fs::create_directory(src);
    fs::create_directory(dst);
    WriteBytes(src / "a", "a");
    WriteBytes(src / "c", "c");
    ui.errors.clear();
    ui.errorAnswers = {c.answer};
    // The missing file turns up before the answer is given.
    ui.onError = [&](const TransferError&) { WriteBytes(src / "late", "late"); };
    const auto r = Run(true, {src / "a", src / "late", src / "c"}, dst);
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(ui.errors[0].path, U16(src / "late"));
    EXPECT_EQ(ui.errors[0].code, ENOENT);
    EXPECT_TRUE(ui.errors[0].canRetry);
    EXPECT_FALSE(ui.errors[0].message.empty());
    EXPECT_EQ(Tree(dst), c.dst);
    EXPECT_EQ(r.code, c.code);
    EXPECT_EQ(r.anyAborted, c.code != 0);
  }
}

TEST_F(TransferEngineTest, CopyIntoTheSameFolderMakesACopyName) {
  WriteBytes(src / "report.txt", "r");
  MakeFolder(src / "dir");
  const auto folder = Tree(src / "dir");
  ExpectClean(Run(true, {src / "report.txt", src / "dir"}, src));
  ExpectClean(Run(true, {src / "report.txt"}, src));
  EXPECT_EQ(ReadBytes(src / "report - Copy.txt"), "r");
  EXPECT_EQ(ReadBytes(src / "report - Copy (2).txt"), "r");
  EXPECT_EQ(Tree(src / "dir - Copy"), folder);
  EXPECT_TRUE(ui.conflicts.empty());
}

// A move into the folder the item is in is an error, by the same path or
// by a second one (below): reported as done, it would let a drag source
// delete the only copy.
TEST_F(TransferEngineTest, MoveIntoItsOwnFolderIsRefused) {
  WriteBytes(src / "report.txt", "r");
  MakeFolder(src / "dir");
  const auto before = Tree(src);
  ui.errorAnswers = {ErrorChoice::Skip, ErrorChoice::Skip};
  const auto r = Run(false, {src / "report.txt", src / "dir"}, src);
  EXPECT_EQ(r.code, EINVAL);
  EXPECT_TRUE(r.anyAborted);
  ASSERT_EQ(ui.errors.size(), 2u);
  EXPECT_EQ(ui.errors[0].message, u"The source and destination are the same folder");
  EXPECT_FALSE(ui.errors[0].canRetry);
  EXPECT_EQ(Tree(src), before);
}

TEST_F(TransferEngineTest, FolderIntoItselfOrItsSubfolderIsRefused) {
  MakeFolder(src / "f");
  WriteBytes(src / "loose.txt", "loose");
  const auto before = Tree(src);
  for (const bool copy : {true, false}) {
    for (const auto& target : {src / "f", src / "f" / "sub", src / "f" / "sub" / "empty"}) {
      SCOPED_TRACE(target.string() + (copy ? " copy" : " move"));
      ui.errors.clear();
      ui.errorAnswers = {ErrorChoice::Skip};
      const auto r = Run(copy, {src / "f"}, target);
      ASSERT_EQ(ui.errors.size(), 1u);
      EXPECT_FALSE(ui.errors[0].canRetry);
      EXPECT_EQ(ui.errors[0].path, U16(src / "f"));
      EXPECT_EQ(r.code, EINVAL);
      EXPECT_TRUE(r.anyAborted);
      EXPECT_EQ(Tree(src), before);
    }
  }
  // The refused folder does not hold up the other sources.
  ui.errorAnswers = {ErrorChoice::Skip};
  const auto r = Run(true, {src / "f", src / "loose.txt"}, src / "f" / "sub");
  EXPECT_TRUE(r.anyAborted);
  EXPECT_EQ(ReadBytes(src / "f" / "sub" / "loose.txt"), "loose");
}

TEST_F(TransferEngineTest, CancelFromTheProgressWindowStopsAndReportsAborted) {
  for (int i = 0; i < 5; ++i) WriteBytes(src / ("f" + std::to_string(i)), "x");
  int files = 0;
  ui.onProgress = [&](const TransferProgress& p) {
    files = static_cast<int>(p.itemsDone);
    return p.itemsDone < 2;
  };
  std::vector<fs::path> list;
  for (int i = 0; i < 5; ++i) list.push_back(src / ("f" + std::to_string(i)));
  const auto r = Run(true, list, dst);
  EXPECT_EQ(r.code, 0);
  EXPECT_TRUE(r.anyAborted);
  EXPECT_EQ(files, 2);
  EXPECT_EQ(Tree(dst).size(), 2u);
}

TEST_F(TransferEngineTest, WithoutDialogsConflictsAreSkippedAndErrorsCancel) {
  NonInteractiveTransferUi silent;
  WriteBytes(src / "a", "new");
  WriteBytes(src / "b", "b");
  WriteBytes(dst / "a", "old");
  auto r = RunTransfer(silent, true, {U16(src / "a"), U16(src / "b")}, U16(dst));
  EXPECT_TRUE(r.anyAborted);
  EXPECT_EQ(ReadBytes(dst / "a"), "old");
  EXPECT_EQ(ReadBytes(dst / "b"), "b");

  r = RunTransfer(silent, true, {U16(src / "gone"), U16(src / "b")}, U16(tmp / "other"));
  EXPECT_EQ(r.code, ENOENT);
  EXPECT_TRUE(r.anyAborted);
  EXPECT_FALSE(fs::exists(tmp / "other"));
}

// Names in a folder the copy made itself are not looked up first; one
// taken there meanwhile is still asked about, and the stranger's file kept.
TEST_F(TransferEngineTest, NameTakenMeanwhileInAFolderTheCopyMadeIsAskedAbout) {
  fs::create_directories(src / "f");
  WriteBytes(src / "f" / "a", "a");
  WriteBytes(src / "f" / "b", "b");
  // While the first file is copied, the other's name is taken.
  std::string other;
  ui.onProgress = [&](const TransferProgress& p) {
    if (other.empty() && (p.currentName == u"a" || p.currentName == u"b")) {
      other = p.currentName == u"a" ? "b" : "a";
      WriteBytes(dst / "f" / other, "theirs");
    }
    return true;
  };
  ui.conflictAnswers = {{ConflictChoice::Skip, false}};
  const auto r = Run(true, {src / "f"}, dst);
  EXPECT_TRUE(r.anyAborted);
  ASSERT_EQ(ui.conflicts.size(), 1u);
  EXPECT_EQ(fs::path(ui.conflicts[0].targetPath), dst / "f" / other);
  const std::string first = other == "a" ? "b" : "a";
  EXPECT_EQ(Tree(dst), (std::map<std::string, std::string>{
                           {"f", "/"}, {"f/" + first, first}, {"f/" + other, "theirs"}}));
}

TEST_F(TransferEngineTest, PlatformRunsTheEngineWithoutDialogsWhenNoneAreSet) {
  auto platform = CreateSystemPlatform();
  WriteBytes(src / "a", "new");
  WriteBytes(src / "b", "b");
  auto r = platform->ShellFileOperation(nullptr, false, {U16(src / "b")}, U16(dst));
  ExpectClean(r);
  EXPECT_EQ(ReadBytes(dst / "b"), "b");
  EXPECT_FALSE(fs::exists(src / "b"));

  WriteBytes(dst / "a", "old");
  r = platform->ShellFileOperation(nullptr, true, {U16(src / "a")}, U16(dst));
  EXPECT_TRUE(r.anyAborted);
  EXPECT_EQ(ReadBytes(dst / "a"), "old");

  // Once dialogs are installed, they are the ones asked.
  platform->SetTransferUi(&ui);
  ui.conflictAnswers = {{ConflictChoice::Replace, false}};
  ExpectClean(platform->ShellFileOperation(nullptr, true, {U16(src / "a")}, U16(dst)));
  EXPECT_EQ(ui.conflicts.size(), 1u);
  EXPECT_EQ(ReadBytes(dst / "a"), "new");
}

TEST_F(TransferEngineTest, RelativeFolderIsTakenInTheProgramsFolder) {
  // A folder list edited by hand may name a folder relative to the program;
  // the current directory, where a folder of that name also is, plays no part.
  auto platform = CreateSystemPlatform();
  const test::FolderBesideProgram there(platform->ProgramFilePath());
  const std::string& name = there.Name();
  WriteBytes(src / "a.txt", "a");
  bool found = false;
  ShellOpResult r;
  {
    const test::CurrentDirectory inside(tmp.Path());
    found = platform->FolderExists(U16(name));
    fs::create_directory(tmp / name);
    r = platform->ShellFileOperation(nullptr, true, {U16(src / "a.txt")}, U16(name));
  }
  EXPECT_TRUE(found);
  ExpectClean(r);
  EXPECT_EQ(ReadBytes(there.Path() / "a.txt"), "a");
  EXPECT_TRUE(fs::is_empty(tmp / name));
}

// A second file system for moves across devices: /dev/shm is a tmpfs.
class CrossDeviceTest : public TransferEngineTest {
 protected:
  void SetUp() override {
    TransferEngineTest::SetUp();
    struct stat a, b;
    if (stat("/dev/shm", &b) != 0 || stat(tmp.Path().c_str(), &a) != 0 || a.st_dev == b.st_dev)
      GTEST_SKIP() << "no second file system at /dev/shm";
    shm = fs::path("/dev/shm") / ("dropwell-xdev-" + tmp.Path().filename().string());
    fs::create_directory(shm);
  }
  void TearDown() override {
    if (!shm.empty()) fs::remove_all(shm);
  }
  fs::path shm;
};

TEST_F(CrossDeviceTest, MoveCopiesThenDeletesTheSources) {
  MakeFolder(shm / "folder");
  WriteBytes(shm / "big.bin", std::string(5 << 20, 'b'));
  const auto folder = Tree(shm / "folder");
  ExpectClean(Run(false, {shm / "big.bin", shm / "folder"}, dst));
  EXPECT_EQ(Tree(dst / "folder"), folder);
  EXPECT_EQ(ReadBytes(dst / "big.bin"), std::string(5 << 20, 'b'));
  EXPECT_TRUE(fs::is_empty(shm));
  EXPECT_EQ(ui.last.bytesDone, (5u << 20) + 3 + 3 + 4);
}

TEST_F(CrossDeviceTest, InterruptedMoveLeavesEveryFileSomewhere) {
  // Cancelled halfway through the second file: the first is moved, the
  // second is whole at its source and no part of it is left behind.
  WriteBytes(shm / "first", "first");
  WriteBytes(shm / "second", std::string(4 << 20, 's'));
  WriteBytes(shm / "third", "third");
  ui.onProgress = [](const TransferProgress& p) {
    return !(p.currentName == u"second" && p.bytesDone > 5);
  };
  const auto r = Run(false, {shm / "first", shm / "second", shm / "third"}, dst);
  EXPECT_TRUE(r.anyAborted);
  EXPECT_EQ(Tree(dst), (std::map<std::string, std::string>{{"first", "first"}}));
  EXPECT_EQ(Tree(shm), (std::map<std::string, std::string>{{"second", std::string(4 << 20, 's')},
                                                           {"third", "third"}}));
  TransferFaultRow("move across devices cancelled in a big file",
                   "moved ones moved, the rest whole at source");
}

TEST_F(CrossDeviceTest, ReplacedFileSurvivesAFailedCopy) {
  // Replace writes beside the old file; a cancel leaves the old one whole.
  WriteBytes(shm / "a", std::string(3 << 20, 'n'));
  WriteBytes(dst / "a", "old");
  ui.conflictAnswers = {{ConflictChoice::Replace, false}};
  ui.onProgress = [](const TransferProgress& p) { return p.bytesDone == 0; };
  const auto r = Run(false, {shm / "a"}, dst);
  EXPECT_TRUE(r.anyAborted);
  EXPECT_EQ(Tree(dst), (std::map<std::string, std::string>{{"a", "old"}}));
  EXPECT_EQ(ReadBytes(shm / "a").size(), 3u << 20);
}

TEST_F(CrossDeviceTest, SourceChangedWhileMovedIsNeverLost) {
  // Changed after the first chunk. Grown: the copy lacks the new end, so it
  // is an error, nothing of it stays and the source is kept. Cut short: the
  // copy is the whole of what the source now is, so the move completes.
  for (const bool grow : {true, false}) {
    SCOPED_TRACE(grow ? "grows" : "shrinks");
    const fs::path file = shm / "changing.bin";
    std::string content(3 << 20, 'c');
    WriteBytes(file, content);
    bool changed = false;
    ui.onProgress = [&](const TransferProgress& p) {
      if (p.currentName == u"changing.bin" && p.bytesDone > 0 && !changed) {
        changed = true;
        if (grow) {
          std::ofstream(file, std::ios::binary | std::ios::app) << "more";
        } else {
          fs::resize_file(file, (1 << 20) + 100);
          content.resize((1 << 20) + 100);
        }
      }
      return true;
    };
    ui.errors.clear();
    ui.errorAnswers = {ErrorChoice::Skip};
    const auto r = Run(false, {file}, dst);
    if (grow) {
      ASSERT_EQ(ui.errors.size(), 1u);
      EXPECT_EQ(ui.errors[0].code, EIO);
      EXPECT_EQ(r.code, EIO);
      EXPECT_TRUE(r.anyAborted);
      EXPECT_TRUE(fs::is_empty(dst));
      EXPECT_EQ(ReadBytes(file), content + "more");
    } else {
      ExpectClean(r);
      EXPECT_EQ(ReadBytes(dst / "changing.bin"), content);
      EXPECT_FALSE(fs::exists(file));
    }
  }
}

#ifndef SYS_cachestat
#define SYS_cachestat 451
#endif

// Pages of a file's cache not yet on disk (dirty or under writeback), or -1
// where the kernel cannot tell (cachestat came with Linux 6.5).
long long UnwrittenPages(const fs::path& file) {
  const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  struct {
    std::uint64_t offset, length;  // length 0: to the end
  } range{0, 0};
  struct {
    std::uint64_t cached, dirty, writeback, evicted, recentlyEvicted;
  } pages{};
  const long r = syscall(SYS_cachestat, fd, &range, &pages, 0);
  close(fd);
  return r == 0 ? static_cast<long long>(pages.dirty + pages.writeback) : -1;
}

TEST_F(CrossDeviceTest, MovedSourceGoesOnlyOnceItsCopyIsOnDisk) {
  // A crash right after a source is deleted must not lose it: whenever a
  // source is seen gone, during the move or after it, its copy has no page
  // left to write.
  struct statfs where;
  ASSERT_EQ(statfs(dst.c_str(), &where), 0);
  if (where.f_type == TMPFS_MAGIC) GTEST_SKIP() << "the destination is in memory (tmpfs)";
  WriteBytes(dst / "probe", "probe");
  if (UnwrittenPages(dst / "probe") < 0) GTEST_SKIP() << "no cachestat in this kernel";

  MakeFolder(shm / "folder");
  std::vector<fs::path> sources{shm / "folder"};
  for (int i = 0; i < 4; ++i) {
    const std::string name = "file" + std::to_string(i);
    WriteBytes(shm / name, std::string((1 << 20) + i, static_cast<char>('a' + i)));
    sources.push_back(shm / name);
  }
  const std::vector<std::string> files{"file0",
                                       "file1",
                                       "file2",
                                       "file3",
                                       "folder/one.txt",
                                       "folder/two.bin",
                                       "folder/sub/deep.txt"};
  int seenGone = 0;
  const auto check = [&] {
    for (const auto& f : files) {
      if (fs::exists(shm / f)) continue;
      ++seenGone;
      EXPECT_EQ(UnwrittenPages(dst / f), 0) << f << " was removed before its copy was on disk";
    }
  };
  ui.onProgress = [&](const TransferProgress&) {
    check();
    return true;
  };
  ExpectClean(Run(false, sources, dst));
  check();
  EXPECT_GE(seenGone, static_cast<int>(files.size()));
  EXPECT_TRUE(fs::is_empty(shm));
  EXPECT_EQ(ReadBytes(dst / "file3"), std::string((1 << 20) + 3, 'd'));
}

TEST_F(CrossDeviceTest, SourceChangedAfterItsCopyIsKept) {
  // Written to again after its copy was finished: both versions stay, and
  // the user is told.
  WriteBytes(shm / "a", "first");
  WriteBytes(shm / "b", "bravo");
  bool changed = false;
  ui.onProgress = [&](const TransferProgress& p) {
    if (p.itemsDone == 1 && !changed) {
      changed = true;
      WriteBytes(shm / "a", "edited later");
    }
    return true;
  };
  ui.errorAnswers = {ErrorChoice::Skip};
  const auto r = Run(false, {shm / "a", shm / "b"}, dst);
  EXPECT_TRUE(changed);
  ASSERT_EQ(ui.errors.size(), 1u);
  EXPECT_EQ(ui.errors[0].path, U16(shm / "a"));
  EXPECT_FALSE(ui.errors[0].canRetry);
  EXPECT_EQ(r.code, EBUSY);
  EXPECT_TRUE(r.anyAborted);
  EXPECT_EQ(ReadBytes(shm / "a"), "edited later");
  EXPECT_EQ(Tree(dst), (std::map<std::string, std::string>{{"a", "first"}, {"b", "bravo"}}));
  EXPECT_FALSE(fs::exists(shm / "b"));
}

// Every copy method, each started on purpose, within one file system and
// across two (where a clone gives way to the next method). The
// content is not one repeated byte, so a chunk out of place shows.
class CopyMethodTest : public CrossDeviceTest, public ::testing::WithParamInterface<CopyMethod> {};

TEST_P(CopyMethodTest, CopiesEveryByteInPlace) {
  std::string content((3 << 20) + 12345, '\0');
  for (std::size_t i = 0; i < content.size(); ++i)
    content[i] = static_cast<char>((i * 7919 + i / 4096) & 0xFF);
  WriteBytes(src / "within.bin", content);
  WriteBytes(shm / "across.bin", content);
  WriteBytes(shm / "empty.bin", "");

  std::vector<std::u16string> list{U16(src / "within.bin"), U16(shm / "across.bin"),
                                   U16(shm / "empty.bin")};
  ExpectClean(RunTransfer(ui, true, list, U16(dst), GetParam()));
  EXPECT_EQ(ReadBytes(dst / "within.bin"), content);
  EXPECT_EQ(ReadBytes(dst / "across.bin"), content);
  EXPECT_EQ(ReadBytes(dst / "empty.bin"), "");
  EXPECT_EQ(ui.last.bytesDone, 2 * content.size());
}

INSTANTIATE_TEST_SUITE_P(Methods, CopyMethodTest,
                         ::testing::Values(CopyMethod::Clone, CopyMethod::Splice,
                                           CopyMethod::Buffer),
                         [](const auto& p) {
                           switch (p.param) {
                             case CopyMethod::Clone:
                               return std::string("Clone");
                             case CopyMethod::Splice:
                               return std::string("Splice");
                             case CopyMethod::Buffer:
                               break;
                           }
                           return std::string("Buffer");
                         });

// Runs a copy of source into dst in a child that is killed once the first
// bytes are written, with no chance to clean up; gives the child's pid.
pid_t KilledCopy(ScriptedUi& ui, const fs::path& source, const fs::path& dst, bool replace) {
  const pid_t child = fork();
  if (child == 0) {
    if (replace) ui.conflictAnswers.push_back({ConflictChoice::Replace, false});
    ui.onProgress = [](const TransferProgress& p) {
      if (p.bytesDone > 0) raise(SIGKILL);
      return true;
    };
    RunTransfer(ui, true, {U16(source)}, U16(dst), CopyMethod::Buffer);
    _exit(0);
  }
  int status = 0;
  EXPECT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
  return child;
}

TEST_F(TransferEngineTest, KilledCopyLeavesNoFileUnderItsNameAndTheNextTransferClearsUp) {
  const std::string big(8 << 20, 'k');
  WriteBytes(src / "big.bin", big);
  WriteBytes(src / "small.txt", "small");

  // A new file has no name until it is complete: nothing is left at all.
  KilledCopy(ui, src / "big.bin", dst, false);
  EXPECT_EQ(Tree(dst), (std::map<std::string, std::string>{}));

  // A replacing copy is written beside the old file, which stays whole.
  WriteBytes(dst / "big.bin", "old");
  const pid_t child = KilledCopy(ui, src / "big.bin", dst, true);
  auto tree = Tree(dst);
  ASSERT_EQ(tree.size(), 2u);
  EXPECT_EQ(tree["big.bin"], "old");
  tree.erase("big.bin");
  const std::string part = tree.begin()->first;
  EXPECT_EQ(part.rfind(".dwpart-" + std::to_string(child) + "-", 0), 0u) << part;

  // Part files of a transfer still running (pid 1 lives) and names merely
  // alike stay; the killed transfer's part goes, in a merged folder too.
  WriteBytes(dst / ".dwpart-1-7", "running");
  WriteBytes(dst / ".dwpart-x", "not ours");
  fs::create_directories(src / "f");
  fs::create_directories(dst / "f");
  WriteBytes(src / "f" / "in.txt", "in");
  WriteBytes(dst / "f" / (".dwpart-" + std::to_string(child) + "-9"), "left");
  ExpectClean(Run(true, {src / "small.txt", src / "f"}, dst));
  EXPECT_EQ(Tree(dst), (std::map<std::string, std::string>{{".dwpart-1-7", "running"},
                                                           {".dwpart-x", "not ours"},
                                                           {"big.bin", "old"},
                                                           {"small.txt", "small"},
                                                           {"f", "/"},
                                                           {"f/in.txt", "in"}}));
}

TEST_F(TransferEngineTest, SourceReplacedByAFifoIsAnErrorNotAHang) {
  WriteBytes(src / "a", "a");
  WriteBytes(src / "b", "b");
  WriteBytes(src / "c", "c");
  const fs::path fifo = src / "b";
  ui.onProgress = [&](const TransferProgress& p) {
    if (p.itemsDone == 1 && fs::is_regular_file(fifo)) {
      fs::remove(fifo);
      EXPECT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    }
    return true;
  };
  // Should the open block, a writer that comes and goes ends the wait, so
  // the test fails instead of hanging.
  std::atomic<bool> done{false};
  std::thread unblock([&] {
    while (!done) {
      const int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
      if (fd >= 0) close(fd);
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  });
  ui.errorAnswers = {ErrorChoice::Skip};
  const auto r = Run(true, {src / "a", fifo, src / "c"}, dst);
  done = true;
  unblock.join();
  ASSERT_EQ(ui.errors.size(), 1u);
  EXPECT_EQ(ui.errors[0].path, U16(fifo));
  EXPECT_EQ(ui.errors[0].code, ENOTSUP);
  EXPECT_TRUE(r.anyAborted);
  EXPECT_EQ(Tree(dst), (std::map<std::string, std::string>{{"a", "a"}, {"c", "c"}}));
  TransferFaultRow("a source replaced by a FIFO", "no hang, the user is told, the rest goes");
}

TEST_F(CrossDeviceTest, FifoAndDeviceInAFolderAreSkippedWithoutAHang) {
  // A move within one device renames the folder with all it holds, so the
  // move here is across devices.
  for (const bool copy : {true, false}) {
    SCOPED_TRACE(copy ? "copy" : "move");
    const fs::path from = copy ? src : shm;
    fs::remove_all(dst);
    fs::create_directory(dst);
    fs::remove_all(from / "f");
    fs::create_directories(from / "f");
    WriteBytes(from / "f" / "plain.txt", "plain");
    ASSERT_EQ(mkfifo((from / "f" / "pipe").c_str(), 0644), 0);
    const bool device = mknod((from / "f" / "null").c_str(), S_IFCHR | 0644, makedev(1, 3)) == 0;
    ui.errors.clear();
    ui.errorAnswers = {ErrorChoice::Skip, ErrorChoice::Skip};
    const auto r = Run(copy, {from / "f"}, dst);
    EXPECT_EQ(ui.errors.size(), device ? 2u : 1u);
    for (const auto& e : ui.errors) {
      EXPECT_EQ(e.code, ENOTSUP);
      EXPECT_FALSE(e.canRetry);
    }
    EXPECT_TRUE(r.anyAborted);
    EXPECT_EQ(Tree(dst),
              (std::map<std::string, std::string>{{"f", "/"}, {"f/plain.txt", "plain"}}));
    // What could not go stays, and so does its folder.
    EXPECT_TRUE(fs::is_fifo(from / "f" / "pipe"));
    EXPECT_EQ(fs::exists(from / "f" / "plain.txt"), copy);
  }
  TransferFaultRow("a FIFO and a device node in a dropped folder",
                   "no hang, skipped and told, the rest goes");
}

TEST_F(TransferEngineTest, KeepBothShortensNamesNearTheLimit) {
  struct Case {
    std::string name;
    bool ok;  // false: no shorter stem can make room
  };
  std::vector<Case> cases;
  for (std::size_t length = 250; length <= 255; ++length)
    cases.push_back({std::string(length - 4, 'n') + ".txt", true});
  std::string accents;
  while (accents.size() + 2 <= 251) accents += "\xC3\xA9";  // é, two bytes each
  cases.push_back({accents + ".txt", true});
  cases.push_back({"a." + std::string(253, 'x'), false});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name.size());
    fs::remove_all(dst);
    fs::remove_all(src);
    fs::create_directory(dst);
    fs::create_directory(src);
    WriteBytes(src / c.name, "new");
    WriteBytes(dst / c.name, "old");
    ui.errors.clear();
    ui.conflictAnswers = {{ConflictChoice::KeepBoth, false}};
    ui.errorAnswers = {ErrorChoice::Skip};
    const auto r = Run(true, {src / c.name}, dst);
    const auto tree = Tree(dst);
    EXPECT_EQ(tree.at(c.name), "old");
    if (!c.ok) {
      ASSERT_EQ(ui.errors.size(), 1u);
      EXPECT_EQ(ui.errors[0].code, ENAMETOOLONG);
      EXPECT_TRUE(r.anyAborted);
      EXPECT_EQ(tree.size(), 1u);
      continue;
    }
    ExpectClean(r);
    ASSERT_EQ(tree.size(), 2u);
    const std::string kept = std::next(tree.begin())->first == c.name
                                 ? tree.begin()->first
                                 : std::next(tree.begin())->first;
    EXPECT_LE(kept.size(), 255u);
    EXPECT_TRUE(kept.ends_with(" (2).txt")) << kept;
    EXPECT_EQ(c.name.rfind(kept.substr(0, kept.size() - 8), 0), 0u) << kept;
    EXPECT_EQ(tree.at(kept), "new");
  }
  // Copies into their own folder get shortened "- Copy" names the same way.
  const std::string own = std::string(251, 'o') + ".txt";
  WriteBytes(src / own, "own");
  ExpectClean(Run(true, {src / own}, src));
  EXPECT_EQ(ReadBytes(src / (std::string(255 - 11, 'o') + " - Copy.txt")), "own");
  TransferFaultRow("names of 250-255 bytes, Keep both", "stem shortened, every copy whole");
}

TEST_F(TransferEngineTest, NamesAreCarriedByteExact) {
  // Names with a byte that is not UTF-8, at the top and inside a folder,
  // with a line break, and the name a U+FFFD would turn the first into:
  // exactly the dropped files move, conflicts are kept both.
  const std::string bad = "bad\xFF.txt", lookalike = "bad\xEF\xBF\xBD.txt";
  const std::string folder = "dir\xFE", inside = "in\xFF", lines = "new\nline";
  WriteBytes(src / bad, "new bad");
  WriteBytes(src / lookalike, "not dropped");
  fs::create_directory(src / folder);
  WriteBytes(src / folder / inside, "new inside");
  WriteBytes(src / lines, "lines");
  WriteBytes(dst / bad, "old bad");
  fs::create_directory(dst / folder);
  WriteBytes(dst / folder / inside, "old inside");
  ui.conflictAnswers = {{ConflictChoice::KeepBoth, true}};
  std::vector<std::u16string> list;
  for (const auto& name : {bad, folder, lines})
    list.push_back(PathFromBytes((src / name).string()));
  ExpectClean(RunTransfer(ui, false, list, PathFromBytes(dst.string())));
  ASSERT_EQ(ui.conflicts.size(), 1u);
  EXPECT_EQ(PathToBytes(ui.conflicts[0].sourcePath), (src / bad).string());
  EXPECT_EQ(PathToBytes(ui.conflicts[0].targetPath), (dst / bad).string());
  EXPECT_EQ(Tree(dst), (std::map<std::string, std::string>{{bad, "old bad"},
                                                           {"bad\xFF (2).txt", "new bad"},
                                                           {folder, "/"},
                                                           {folder + "/" + inside, "old inside"},
                                                           {folder + "/in\xFF (2)", "new inside"},
                                                           {lines, "lines"}}));
  EXPECT_EQ(Tree(src), (std::map<std::string, std::string>{{lookalike, "not dropped"}}));
  TransferFaultRow("names with newlines and invalid UTF-8",
                   "that file and only it, name byte-exact");
}

// A second path to a folder of the test: a bind mount, made where the
// system lets us (root in CI), else the tests skip.
class BindMountTest : public TransferEngineTest {
 protected:
  void Bind(const fs::path& folder, const fs::path& at) {
    fs::create_directories(at);
    if (mount(folder.c_str(), at.c_str(), nullptr, MS_BIND, nullptr) != 0)
      GTEST_SKIP() << "bind mounts are not allowed here: " << strerror(errno);
    mounted_.push_back(at);
  }
  void TearDown() override {
    for (auto it = mounted_.rbegin(); it != mounted_.rend(); ++it) umount2(it->c_str(), MNT_DETACH);
  }
  std::vector<fs::path> mounted_;
};

TEST_F(BindMountTest, OwnFolderByAnotherPathIsTheSameFolder) {
  WriteBytes(src / "a.txt", "alpha");
  Bind(src, tmp / "again");
  if (IsSkipped()) return;
  ui.conflictAnswers = {{ConflictChoice::Replace, true}};
  // A move is refused (once this deleted the file and reported success).
  ui.errorAnswers = {ErrorChoice::Skip};
  const auto r = Run(false, {src / "a.txt"}, tmp / "again");
  EXPECT_EQ(r.code, EINVAL);
  EXPECT_TRUE(r.anyAborted);
  EXPECT_EQ(ui.errors.size(), 1u);
  EXPECT_EQ(Tree(src), (std::map<std::string, std::string>{{"a.txt", "alpha"}}));
  // A copy makes "- Copy", as in the folder itself.
  ExpectClean(Run(true, {src / "a.txt"}, tmp / "again"));
  EXPECT_EQ(Tree(src),
            (std::map<std::string, std::string>{{"a.txt", "alpha"}, {"a - Copy.txt", "alpha"}}));
  TransferFaultRow("bind mount of the own folder as target",
                   "move refused and told, copy makes - Copy");
}

TEST_F(BindMountTest, FolderIntoItselfByAnotherPathIsRefused) {
  MakeFolder(src / "f");
  const auto before = Tree(src);
  Bind(src, tmp / "again");
  if (IsSkipped()) return;
  for (const bool copy : {true, false}) {
    for (const auto& target : {tmp / "again" / "f", tmp / "again" / "f" / "sub"}) {
      SCOPED_TRACE(target.string() + (copy ? " copy" : " move"));
      ui.errors.clear();
      ui.errorAnswers = {ErrorChoice::Skip};
      const auto r = Run(copy, {src / "f"}, target);
      ASSERT_EQ(ui.errors.size(), 1u);
      EXPECT_EQ(ui.errors[0].code, EINVAL);
      EXPECT_EQ(r.code, EINVAL);
      EXPECT_EQ(Tree(src), before);
    }
  }
  TransferFaultRow("folder into itself by a bind mount", "refused and told, nothing nested");
}

TEST_F(TransferEngineTest, ReplacingAFileWithItselfIsRefused) {
  // The target is the source under a second name (a hard link).
  WriteBytes(src / "a.txt", "alpha");
  fs::create_hard_link(src / "a.txt", dst / "a.txt");
  for (const bool copy : {true, false}) {
    ui.errors.clear();
    ui.conflictAnswers.clear();
    ui.errorAnswers = {ErrorChoice::Skip};
    const auto r = Run(copy, {src / "a.txt"}, dst);
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(ui.errors[0].code, EINVAL);
    EXPECT_TRUE(r.anyAborted);
    EXPECT_EQ(ReadBytes(src / "a.txt"), "alpha");
    EXPECT_EQ(ReadBytes(dst / "a.txt"), "alpha");
  }
}

TEST(TransferNames, CopyAndNumberedNames) {
  struct Case {
    const char* name;
    bool folder;
    unsigned number;
    const char* copy;
    const char* numbered;
  };
  const Case cases[] = {
      {"a.txt", false, 1, "a - Copy.txt", "a (1).txt"},
      {"a.txt", false, 2, "a - Copy (2).txt", "a (2).txt"},
      {"a.tar.gz", false, 3, "a.tar - Copy (3).gz", "a.tar (3).gz"},
      {".bashrc", false, 1, ".bashrc - Copy", ".bashrc (1)"},
      {"noext", false, 2, "noext - Copy (2)", "noext (2)"},
      {"v1.2", true, 1, "v1.2 - Copy", "v1.2 (1)"},
      {"名前.テキスト", false, 2, "名前 - Copy (2).テキスト", "名前 (2).テキスト"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CopyOfName(c.name, c.folder, c.number), c.copy);
    EXPECT_EQ(NumberedName(c.name, c.folder, c.number), c.numbered);
  }
}

}  // namespace
}  // namespace dw
