// The transfer engine under faults, one row each: a small file system that
// fills up, one mounted read-only, a process killed part-way, sources that
// vanish, links to folders. Each row checks what exists afterwards: every
// source byte-identical in at least one place, no part file passed off as a
// finished one, and the user told. The rows print as a table. Mounts need
// root (CI runs as root); elsewhere the rows skip.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

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

class Answers : public TransferUi {
 public:
  void Begin(bool, const std::u16string&) override {}
  bool Progress(const TransferProgress& p) override { return onProgress ? onProgress(p) : true; }
  ConflictAnswer AskConflict(const TransferConflict&) override {
    ++conflicts;
    return conflict;
  }
  ErrorChoice AskError(const TransferError& e) override {
    errors.push_back(e);
    if (onError) onError(e);
    return error;
  }
  void End() override {}

  ConflictAnswer conflict{ConflictChoice::Skip, false};
  ErrorChoice error = ErrorChoice::Cancel;
  std::function<bool(const TransferProgress&)> onProgress;
  std::function<void(const TransferError&)> onError;
  std::vector<TransferError> errors;
  int conflicts = 0;
};

// The same, with long contents shown by size and hash, so that a failure
// prints readably.
std::map<std::string, std::string> Short(const std::map<std::string, std::string>& tree) {
  std::map<std::string, std::string> out;
  for (const auto& [rel, content] : tree)
    out[rel] = content.size() <= 32 ? content
                                    : std::to_string(content.size()) + " bytes #" +
                                          std::to_string(std::hash<std::string>{}(content));
  return out;
}

bool IsPart(const std::string& rel) {
  return fs::path(rel).filename().string().rfind(".dwpart-", 0) == 0;
}

std::u16string U16(const fs::path& p) {
  return p.u16string();
}

class TransferFaultsTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (auto it = mounts_.rbegin(); it != mounts_.rend(); ++it) umount2(it->c_str(), MNT_DETACH);
  }
  // A tmpfs of the given size at a new folder; the test skips where
  // mounting is not allowed.
  fs::path Tmpfs(const std::string& name, const std::string& size) {
    const fs::path at = tmp / name;
    fs::create_directories(at);
    if (mount("tmpfs", at.c_str(), "tmpfs", 0, ("size=" + size).c_str()) != 0)
      ADD_FAILURE() << "cannot mount a tmpfs at " << at << ": " << std::strerror(errno);
    else
      mounts_.push_back(at);
    return at;
  }
  bool CanMount() {
    const fs::path probe = tmp / "probe";
    fs::create_directories(probe);
    if (mount("tmpfs", probe.c_str(), "tmpfs", 0, "size=64k") != 0) return false;
    umount2(probe.c_str(), MNT_DETACH);
    return true;
  }
  ShellOpResult Run(bool copy, const std::vector<fs::path>& sources, const fs::path& to) {
    std::vector<std::u16string> list;
    for (const auto& s : sources) list.push_back(U16(s));
    return RunTransfer(ui, copy, list, U16(to));
  }
  // Every original file is byte-identical in from or in to, and nothing in
  // to under a finished name differs from its original.
  void ExpectNothingLost(const std::map<std::string, std::string>& originals, const fs::path& from,
                         const fs::path& to) {
    const auto there = Tree(to);
    const auto left = Tree(from);
    for (const auto& [rel, content] : originals) {
      if (content == "/") continue;
      const bool inFrom = left.count(rel) != 0 && left.at(rel) == content;
      const bool inTo = there.count(rel) != 0 && there.at(rel) == content;
      EXPECT_TRUE(inFrom || inTo) << rel << " is lost";
    }
    for (const auto& [rel, content] : there) {
      if (IsPart(rel) || content == "/") continue;
      ASSERT_TRUE(originals.count(rel)) << "unexpected " << rel;
      EXPECT_EQ(content, originals.at(rel)) << rel << " is not whole";
    }
  }

  TempDir tmp;
  Answers ui;
  std::vector<fs::path> mounts_;
};

struct DiskFullCase {
  const char* name;
  bool copy;
  ErrorChoice answer;
  // What the destination holds afterwards; the rest stays at the source.
  std::vector<std::string> landed;
};

class DiskFullTest : public TransferFaultsTest,
                     public ::testing::WithParamInterface<DiskFullCase> {};

TEST_P(DiskFullTest, FullDestinationPartWay) {
  const auto& c = GetParam();
  if (!CanMount()) GTEST_SKIP() << "mounting is not allowed here";
  const fs::path from = Tmpfs("from", "8m");
  const fs::path to = Tmpfs("to", "1m");
  // a fits, b does not fit beside it, c does.
  const std::map<std::string, std::string> files{
      {"a", std::string(600 << 10, 'a')}, {"b", std::string(600 << 10, 'b')}, {"c", "small c"}};
  for (const auto& [name, content] : files) WriteBytes(from / name, content);
  ui.error = c.answer;
  if (c.answer == ErrorChoice::TryAgain) {
    ui.onError = [&](const TransferError&) {
      // Room is made before the answer; the next try goes through.
      if (mount(nullptr, to.c_str(), nullptr, MS_REMOUNT, "size=8m") != 0) {
        ADD_FAILURE() << "cannot make room: " << std::strerror(errno);
        ui.error = ErrorChoice::Cancel;
      }
    };
  }
  const auto r = Run(c.copy, {from / "a", from / "b", from / "c"}, to);

  ASSERT_EQ(ui.errors.size(), 1u);
  EXPECT_EQ(ui.errors[0].code, ENOSPC);
  EXPECT_EQ(ui.errors[0].path, U16(from / "b"));
  std::map<std::string, std::string> expected;
  for (const auto& name : c.landed) expected[name] = files.at(name);
  EXPECT_EQ(Short(Tree(to)), Short(expected));  // no part file, nothing cut short
  for (const auto& [name, content] : files) {
    const bool moved = !c.copy && expected.count(name) != 0;
    EXPECT_EQ(fs::exists(from / name), !moved) << name;
    if (!moved) {
      EXPECT_TRUE(ReadBytes(from / name) == content) << name;
    }
  }
  const bool retried = c.answer == ErrorChoice::TryAgain;
  EXPECT_EQ(r.anyAborted, !retried);
  EXPECT_EQ(r.code, retried ? 0 : ENOSPC);
  TransferFaultRow(std::string("disk full: ") + c.name,
                   "copies whole or absent, sources kept, told");
}

INSTANTIATE_TEST_SUITE_P(
    EachAnswer, DiskFullTest,
    ::testing::Values(
        DiskFullCase{"copy, Skip", true, ErrorChoice::Skip, {"a", "c"}},
        DiskFullCase{"copy, Cancel", true, ErrorChoice::Cancel, {"a"}},
        DiskFullCase{"copy, Try again", true, ErrorChoice::TryAgain, {"a", "b", "c"}},
        DiskFullCase{"move across devices, Skip", false, ErrorChoice::Skip, {"a", "c"}},
        DiskFullCase{"move across devices, Cancel", false, ErrorChoice::Cancel, {"a"}},
        DiskFullCase{
            "move across devices, Try again", false, ErrorChoice::TryAgain, {"a", "b", "c"}}),
    [](const auto& p) {
      std::string name;
      for (const char* s = p.param.name; *s; ++s)
        if (std::isalnum(static_cast<unsigned char>(*s))) name += *s;
      return name;
    });

TEST_F(TransferFaultsTest, MoveWithinAFullDeviceIsARename) {
  if (!CanMount()) GTEST_SKIP() << "mounting is not allowed here";
  const fs::path disk = Tmpfs("full", "1m");
  fs::create_directories(disk / "from");
  fs::create_directories(disk / "to");
  WriteBytes(disk / "from" / "a", std::string(400 << 10, 'a'));
  WriteBytes(disk / "from" / "b", std::string(400 << 10, 'b'));
  WriteBytes(disk / "filler", std::string(200 << 10, 'f'));
  const auto r = Run(false, {disk / "from" / "a", disk / "from" / "b"}, disk / "to");
  EXPECT_EQ(r.code, 0);
  EXPECT_FALSE(r.anyAborted);
  EXPECT_TRUE(ui.errors.empty());
  EXPECT_EQ(Tree(disk / "to"),
            (std::map<std::string, std::string>{{"a", std::string(400 << 10, 'a')},
                                                {"b", std::string(400 << 10, 'b')}}));
  TransferFaultRow("disk full: move within one device", "renamed, nothing copied");
}

TEST_F(TransferFaultsTest, ReadOnlyDestination) {
  if (!CanMount()) GTEST_SKIP() << "mounting is not allowed here";
  const fs::path to = Tmpfs("ro", "1m");
  ASSERT_EQ(mount(nullptr, to.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
  fs::create_directories(tmp / "from" / "f");
  WriteBytes(tmp / "from" / "a", "a");
  WriteBytes(tmp / "from" / "f" / "b", "b");
  const auto before = Tree(tmp / "from");
  for (const bool copy : {true, false}) {
    ui.errors.clear();
    ui.error = ErrorChoice::Skip;
    const auto r = Run(copy, {tmp / "from" / "a", tmp / "from" / "f"}, to);
    EXPECT_EQ(ui.errors.size(), 2u);
    for (const auto& e : ui.errors) EXPECT_EQ(e.code, EROFS);
    EXPECT_EQ(r.code, EROFS);
    EXPECT_TRUE(r.anyAborted);
    EXPECT_TRUE(fs::is_empty(to));
    EXPECT_EQ(Tree(tmp / "from"), before);
  }
  TransferFaultRow("read-only destination", "nothing written, sources kept, told");
}

TEST_F(TransferFaultsTest, FileWhereAFolderMustBeCreated) {
  fs::create_directories(tmp / "from" / "f" / "sub");
  WriteBytes(tmp / "from" / "f" / "sub" / "x", "x");
  fs::create_directories(tmp / "to" / "f");
  WriteBytes(tmp / "to" / "f" / "sub", "a file named like the folder");
  for (const auto answer : {ConflictChoice::Skip, ConflictChoice::Replace}) {
    ui.conflicts = 0;
    ui.conflict = {answer, false};
    const auto r = Run(false, {tmp / "from" / "f"}, tmp / "to");
    EXPECT_EQ(ui.conflicts, 1);
    EXPECT_EQ(ReadBytes(tmp / "to" / "f" / "sub"), "a file named like the folder");
    if (answer == ConflictChoice::Replace) {
      // Never replaced by a folder: both kept.
      EXPECT_FALSE(r.anyAborted);
      EXPECT_EQ(ReadBytes(tmp / "to" / "f" / "sub (2)" / "x"), "x");
      EXPECT_FALSE(fs::exists(tmp / "from" / "f"));
    } else {
      EXPECT_TRUE(r.anyAborted);
    }
  }
  TransferFaultRow("a file where a folder must be created",
                   "file kept, folder beside it or skipped");
}

TEST_F(TransferFaultsTest, SourceVanishesDuringTheTransfer) {
  fs::create_directories(tmp / "from" / "f");
  fs::create_directories(tmp / "to");
  for (const char* name : {"1", "2", "3"}) WriteBytes(tmp / "from" / "f" / name, name);
  bool removed = false;
  ui.onProgress = [&](const TransferProgress& p) {
    if (p.itemsDone == 2 && !removed) {  // the folder and its first file
      removed = true;
      for (const char* name : {"1", "2", "3"})
        if (!fs::exists(tmp / "to" / "f" / name)) {
          fs::remove(tmp / "from" / "f" / name);
          break;
        }
    }
    return true;
  };
  ui.error = ErrorChoice::Skip;
  const auto r = Run(true, {tmp / "from" / "f"}, tmp / "to");
  EXPECT_TRUE(removed);
  ASSERT_EQ(ui.errors.size(), 1u);
  EXPECT_EQ(ui.errors[0].code, ENOENT);
  EXPECT_TRUE(r.anyAborted);
  EXPECT_EQ(Tree(tmp / "to" / "f"), Tree(tmp / "from" / "f"));
  TransferFaultRow("a source vanishes during the transfer", "the rest goes, the user is told");
}

TEST_F(TransferFaultsTest, LinkToAFolderIsALinkAndItsFolderIsNeverEmptied) {
  if (!CanMount()) GTEST_SKIP() << "mounting is not allowed here";
  const fs::path other = Tmpfs("other", "4m");
  fs::create_directories(tmp / "outside");
  WriteBytes(tmp / "outside" / "kept.txt", "kept");
  for (const bool copy : {true, false}) {
    SCOPED_TRACE(copy ? "copy" : "move across devices");
    fs::remove_all(tmp / "to");
    fs::create_directories(tmp / "to");
    fs::create_directories(other / "f");
    fs::create_symlink(tmp / "outside", other / "f" / "link");
    fs::create_symlink(tmp / "outside", other / "top-link");
    const auto r = Run(copy, {other / "f", other / "top-link"}, tmp / "to");
    EXPECT_EQ(r.code, 0);
    EXPECT_FALSE(r.anyAborted);
    EXPECT_EQ(Tree(tmp / "to"), (std::map<std::string, std::string>{
                                    {"f", "/"},
                                    {"f/link", "-> " + (tmp / "outside").string()},
                                    {"top-link", "-> " + (tmp / "outside").string()}}));
    EXPECT_EQ(Tree(tmp / "outside"), (std::map<std::string, std::string>{{"kept.txt", "kept"}}));
    EXPECT_EQ(fs::exists(other / "f"), copy);
    if (copy) {
      fs::remove_all(other / "f");
      fs::remove(other / "top-link");
    }
  }
  TransferFaultRow("a symbolic link to a folder", "copied as a link, its folder untouched");
}

TEST_F(TransferFaultsTest, MoveAcrossDevicesKilledAtRandomPoints) {
  if (!CanMount()) GTEST_SKIP() << "mounting is not allowed here";
  const fs::path from = Tmpfs("from", "16m");
  const fs::path to = Tmpfs("disk", "32m") / "to";
  std::map<std::string, std::string> originals;
  for (int i = 0; i < 6; ++i)
    originals["file" + std::to_string(i)] =
        std::string((256 << 10) + i, static_cast<char>('a' + i));
  originals["f"] = "/";
  originals["f/one"] = "one";
  originals["f/two"] = std::string(300 << 10, '2');
  const auto make = [&] {
    fs::remove_all(to);
    fs::create_directories(to);
    fs::create_directories(from / "f");
    for (const auto& [rel, content] : originals)
      if (content != "/") WriteBytes(from / rel, content);
  };
  std::vector<fs::path> sources{from / "f"};
  for (int i = 0; i < 6; ++i) sources.push_back(from / ("file" + std::to_string(i)));

  // The move in a child process, killed after the given time by its own
  // timer (SIGALRM ends a process as abruptly as SIGKILL: no clean-up).
  const auto start = [&](long long microseconds) {
    const pid_t child = fork();
    if (child == 0) {
      itimerval timer{};
      timer.it_value.tv_sec = static_cast<time_t>(microseconds / 1000000);
      timer.it_value.tv_usec = static_cast<suseconds_t>(microseconds % 1000000);
      setitimer(ITIMER_REAL, &timer, nullptr);
      NonInteractiveTransferUi silent;
      std::vector<std::u16string> list;
      for (const auto& s : sources) list.push_back(U16(s));
      _exit(RunTransfer(silent, false, list, U16(to)).code == 0 ? 0 : 1);
    }
    return child;
  };
  // How long a whole move takes here, so the kills fall all over it.
  make();
  const auto begun = std::chrono::steady_clock::now();
  ASSERT_EQ(Run(false, sources, to).code, 0);
  const auto span = std::chrono::duration_cast<std::chrono::microseconds>(
                        std::chrono::steady_clock::now() - begun)
                        .count();
  std::mt19937 random(20261211);
  std::uniform_int_distribution<long long> when(0, span);
  int interrupted = 0;
  for (int trial = 0; trial < 20; ++trial) {
    SCOPED_TRACE(trial);
    fs::remove_all(from / "f");
    make();
    const pid_t child = start(1 + when(random));
    ASSERT_GE(child, 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    if (WIFSIGNALED(status)) ++interrupted;
    ExpectNothingLost(originals, from, to);
    // The next move finishes the job and clears the killed one's parts.
    std::vector<fs::path> left;
    for (const auto& s : sources)
      if (fs::exists(s)) left.push_back(s);
    ui.conflict = {ConflictChoice::Replace, true};
    ASSERT_EQ(Run(false, left, to).code, 0);
    EXPECT_EQ(Short(Tree(to)), Short(originals));
    EXPECT_TRUE(fs::is_empty(from));
  }
  EXPECT_GT(interrupted, 0);
  TransferFaultRow(
      "move across devices killed at 20 random points",
      "each file whole in one place; " + std::to_string(interrupted) + " runs cut short");
}

}  // namespace
}  // namespace dw
