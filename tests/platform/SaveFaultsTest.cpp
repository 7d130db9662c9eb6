// Whole-file saves on POSIX under faults. Both files the program keeps go
// through the one writer: the folder list file (WriteWholeFile) and the
// settings file (the INI store's save), so every row runs for both. Each row
// checks what is on disk afterwards: the old or the new content whole, never
// a truncated file, no temp file left over, and a failure reported.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <set>
#include <string>

#include "platform/posix/AtomicFile.h"
#include "platform/posix/IniStore.h"
#include "platform/posix/PosixPlatform.h"
#include "support/TestSupport.h"

namespace dw::test {
namespace {

namespace fs = std::filesystem;

struct Writer {
  const char* name;
  std::function<bool(const fs::path&, const std::string&)> save;
};

const Writer kWriters[] = {
    {"folder list",
     [](const fs::path& file, const std::string& bytes) {
       PosixPlatform platform;
       return platform.WriteWholeFile(file.u16string(), {bytes}).ok();
     }},
    {"settings", [](const fs::path& file,
                    const std::string& bytes) { return ini::SaveFile(file.string(), bytes); }},
};

std::set<std::string> Entries(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename());
  return names;
}

class SaveFaultsTest : public ::testing::TestWithParam<Writer> {
 protected:
  TempDir dir;
};

TEST_P(SaveFaultsTest, HardLinkedFileIsWrittenForEveryName) {
  WriteBytes(dir / "Dropwell.txt", "old");
  fs::create_hard_link(dir / "Dropwell.txt", dir / "other-name");
  ASSERT_TRUE(GetParam().save(dir / "Dropwell.txt", "new"));
  EXPECT_EQ(ReadBytes(dir / "Dropwell.txt"), "new");
  EXPECT_EQ(ReadBytes(dir / "other-name"), "new");
  EXPECT_EQ(fs::hard_link_count(dir / "Dropwell.txt"), 2u);
  EXPECT_EQ(Entries(dir.Path()), (std::set<std::string>{"Dropwell.txt", "other-name"}));
  SaveFaultRow("hard-linked file", GetParam().name, "both names read the new content");
}

TEST_P(SaveFaultsTest, SymbolicLinksAreWrittenThroughEvenWhenDangling) {
  fs::create_directory(dir / "real");
  WriteBytes(dir / "real" / "file", "old");
  fs::create_symlink("real/file", dir / "link");
  fs::create_symlink("link", dir / "link-to-link");
  fs::create_symlink("real/not-yet", dir / "dangling");
  ASSERT_TRUE(GetParam().save(dir / "link-to-link", "new"));
  ASSERT_TRUE(GetParam().save(dir / "dangling", "made"));
  EXPECT_TRUE(fs::is_symlink(dir / "link"));
  EXPECT_TRUE(fs::is_symlink(dir / "link-to-link"));
  EXPECT_TRUE(fs::is_symlink(dir / "dangling"));
  EXPECT_EQ(ReadBytes(dir / "real" / "file"), "new");
  EXPECT_EQ(ReadBytes(dir / "real" / "not-yet"), "made");
  EXPECT_EQ(Entries(dir / "real"), (std::set<std::string>{"file", "not-yet"}));
  SaveFaultRow("symlinked file, dangling link", GetParam().name, "links kept, targets written");
}

TEST_P(SaveFaultsTest, NameWithNoRoomForATempNameIsWrittenInPlace) {
  const std::string name(250, 'n');
  WriteBytes(dir / name, "old");
  ASSERT_TRUE(GetParam().save(dir / name, "new content"));
  EXPECT_EQ(ReadBytes(dir / name), "new content");
  ASSERT_TRUE(GetParam().save(dir / name, "short"));
  EXPECT_EQ(ReadBytes(dir / name), "short");  // cut to its new length
  EXPECT_EQ(Entries(dir.Path()), std::set<std::string>{name});
  SaveFaultRow("temp name too long", GetParam().name, "written in place");
}

TEST_P(SaveFaultsTest, TempFilesOfKilledSavesAreRemovedAtTheNextSave) {
  WriteBytes(dir / "Dropwell.ini", "old");
  // A save killed between its write and its rename.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    WriteFileAtomically((dir / "Dropwell.ini").string(), {"half", "rest"},
                        [](int fd, std::string_view chunk) {
                          const int e = WriteWholeChunk(fd, chunk);
                          if (chunk == "rest") raise(SIGKILL);
                          return e;
                        });
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(ReadBytes(dir / "Dropwell.ini"), "old");
  const auto left = Entries(dir.Path());
  ASSERT_EQ(left.size(), 2u);
  EXPECT_EQ(ReadBytes(dir / *left.begin()), "halfrest");  // the temp file sorts first
  // A save in progress elsewhere (process 1 is alive) keeps its temp file.
  WriteBytes(dir / ".Dropwell.ini.tmp-1-5", "running");

  ASSERT_TRUE(GetParam().save(dir / "Dropwell.ini", "new"));
  EXPECT_EQ(ReadBytes(dir / "Dropwell.ini"), "new");
  EXPECT_EQ(Entries(dir.Path()), (std::set<std::string>{".Dropwell.ini.tmp-1-5", "Dropwell.ini"}));
  SaveFaultRow("killed between write and rename", GetParam().name,
               "old file whole, temp removed next time");
}

TEST_P(SaveFaultsTest, OwnerAndGroupAreKept) {
  WriteBytes(dir / "Dropwell.ini", "old");
  if (chown((dir / "Dropwell.ini").c_str(), 1234, 5678) != 0)
    GTEST_SKIP() << "only root can give a file away";
  ASSERT_TRUE(GetParam().save(dir / "Dropwell.ini", "new"));
  struct stat st;
  ASSERT_EQ(stat((dir / "Dropwell.ini").c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 1234u);
  EXPECT_EQ(st.st_gid, 5678u);
  EXPECT_EQ(ReadBytes(dir / "Dropwell.ini"), "new");
}

// A folder where no file can be created, for root too: the immutable flag.
class ImmutableFolder {
 public:
  explicit ImmutableFolder(const fs::path& folder) : folder_(folder) { ok_ = Set(true); }
  ~ImmutableFolder() {
    if (ok_) Set(false);
  }
  bool ok() const { return ok_; }

 private:
  bool Set(bool on) {
    const int fd = open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    int flags = 0;
    bool done = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    done = done && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    close(fd);
    return done;
  }
  fs::path folder_;
  bool ok_ = false;
};

TEST_P(SaveFaultsTest, FolderWhereFilesCannotBeCreated) {
  WriteBytes(dir / "Dropwell.txt", "old content");
  {
    ImmutableFolder locked(dir.Path());
    if (!locked.ok()) GTEST_SKIP() << "cannot make a folder immutable here";
    // The existing file is written in place, as a plain create would.
    ASSERT_TRUE(GetParam().save(dir / "Dropwell.txt", "new"));
    EXPECT_EQ(ReadBytes(dir / "Dropwell.txt"), "new");
    // A new one cannot be made: refused, and nothing is left.
    EXPECT_FALSE(GetParam().save(dir / "Dropwell.ini", "x"));
  }
  EXPECT_EQ(Entries(dir.Path()), std::set<std::string>{"Dropwell.txt"});
  SaveFaultRow("folder where files cannot be made", GetParam().name,
               "existing written in place, new refused");
}

TEST_P(SaveFaultsTest, DiskFullDuringASave) {
  const fs::path small = dir / "small";
  fs::create_directory(small);
  if (mount("tmpfs", small.c_str(), "tmpfs", 0, "size=256k") != 0)
    GTEST_SKIP() << "cannot mount a small tmpfs here: " << strerror(errno);
  struct Unmount {
    const fs::path& at;
    ~Unmount() { umount2(at.c_str(), MNT_DETACH); }
  } unmount{small};
  WriteBytes(small / "Dropwell.txt", "old content");
  const std::string big(512 << 10, 'b');
  EXPECT_FALSE(GetParam().save(small / "Dropwell.txt", big));
  EXPECT_EQ(ReadBytes(small / "Dropwell.txt"), "old content");
  // With no file before, none is left.
  EXPECT_FALSE(GetParam().save(small / "Dropwell.ini", big));
  EXPECT_EQ(Entries(small), std::set<std::string>{"Dropwell.txt"});
  SaveFaultRow("disk full", GetParam().name, "old file whole, nothing new left");
}

INSTANTIATE_TEST_SUITE_P(BothFiles, SaveFaultsTest, ::testing::ValuesIn(kWriters),
                         [](const auto& p) {
                           return std::string(p.param.name) == "settings" ? "Settings"
                                                                          : "FolderList";
                         });

}  // namespace
}  // namespace dw::test
