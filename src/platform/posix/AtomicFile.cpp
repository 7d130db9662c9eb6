#include "platform/posix/AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/posix/Fd.h"

namespace dw {

namespace {

using Stage = WriteResult::Stage;

WriteResult Fail(Stage stage, int error) {
  return WriteResult{stage, static_cast<std::uint32_t>(error)};
}

// The permission bits a newly created file gets, as open(..., 0666) would.
mode_t NewFileMode() {
  mode_t mask = 022;
  if (FILE* status = std::fopen("/proc/self/status", "re")) {
    char line[256];
    while (std::fgets(line, sizeof line, status) != nullptr) {
      if (std::strncmp(line, "Umask:", 6) == 0) {
        mask = static_cast<mode_t>(std::strtoul(line + 6, nullptr, 8));
        break;
      }
    }
    std::fclose(status);
  }
  return 0666 & ~mask;
}

// The folder part of a path and its last name ("." for a bare name).
std::pair<std::string, std::string> SplitFolder(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return {".", path};
  return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

// The path a chain of symbolic links ends at, whether or not a file is
// there yet (a dangling link is written through, not replaced). 0 or an
// errno (ELOOP for a cycle).
int FollowLinks(std::string& path) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return 0;
    std::string target(256, '\0');
    for (;;) {
      const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
      if (n < 0) return errno;
      if (static_cast<std::size_t>(n) < target.size()) {
        target.resize(static_cast<std::size_t>(n));
        break;
      }
      target.resize(target.size() * 2);
    }
    if (target.empty()) return ENOENT;
    path = target.front() == '/' ? target : SplitFolder(path).first + "/" + target;
  }
  return ELOOP;
}

// ".<name>.tmp-<process id>-<number>", beside the file it replaces.
std::string TempPrefix(const std::string& name) {
  return "." + name + ".tmp-";
}

// Removes temp files of this name left by saves that were killed; a temp
// file of a process still running is its save in progress and stays. This
// is tidying only: what cannot be removed now is tried again next time.
void RemoveStaleTemps(const std::string& folder, const std::string& name) {
  const std::string prefix = TempPrefix(name);
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  std::vector<std::string> stale;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view entryName = entry->d_name;
    if (!entryName.starts_with(prefix)) continue;
    const std::string_view rest = entryName.substr(prefix.size());
    const auto dash = rest.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash > 9) continue;
    if (rest.substr(dash + 1).find_first_not_of("0123456789") != std::string_view::npos ||
        rest.substr(0, dash).find_first_not_of("0123456789") != std::string_view::npos)
      continue;
    const pid_t owner =
        static_cast<pid_t>(std::strtol(std::string(rest.substr(0, dash)).c_str(), nullptr, 10));
    if (owner > 0 && owner != ::getpid() && ::kill(owner, 0) != 0 && errno == ESRCH)
      stale.emplace_back(entryName);
  }
  ::closedir(dir);
  for (const auto& entryName : stale) ::unlink((folder + "/" + entryName).c_str());
}

int WriteChunks(int fd, const std::vector<std::string_view>& chunks, const ChunkWriter& write) {
  for (const auto chunk : chunks) {
    if (const int error = write(fd, chunk)) return error;
  }
  return 0;
}

// Writes over the file itself: the way for a file with several names and
// for a folder where no temp file can be made. Written from the start and
// cut to length afterwards, so a failure leaves as much of the old content
// as it can; a file made here is removed again when the write fails.
WriteResult WriteInPlace(const std::string& target, bool existed,
                         const std::vector<std::string_view>& chunks, const ChunkWriter& write) {
  const int flags = O_WRONLY | O_CLOEXEC | (existed ? 0 : O_CREAT | O_EXCL);
  Fd fd(::open(target.c_str(), flags, 0666));
  if (fd.get() < 0) return Fail(Stage::Create, errno);
  const auto abandon = [&](int error) {
    if (!existed) ::unlink(target.c_str());
    return Fail(Stage::Write, error);
  };
  off_t length = 0;
  for (const auto chunk : chunks) length += static_cast<off_t>(chunk.size());
  if (const int error = WriteChunks(fd.get(), chunks, write)) return abandon(error);
  if (::ftruncate(fd.get(), length) != 0) return abandon(errno);
  if (::fsync(fd.get()) != 0) return abandon(errno);
  if (const int error = fd.Close()) return abandon(error);
  return {};
}

}  // namespace

int WriteWholeChunk(int fd, std::string_view chunk) {
  while (!chunk.empty()) {
    const ssize_t wrote = ::write(fd, chunk.data(), chunk.size());
    if (wrote < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (wrote == 0) return ENOSPC;
    chunk.remove_prefix(static_cast<std::size_t>(wrote));
  }
  return 0;
}

WriteResult WriteFileAtomically(const std::string& path,
                                const std::vector<std::string_view>& chunks,
                                const ChunkWriter& writeChunk) {
  if (path.empty()) return Fail(Stage::Create, ENOENT);
  std::string target = path;
  if (const int error = FollowLinks(target)) return Fail(Stage::Create, error);

  // The refusals of creating the file anew. Root passes every mode check, so
  // a file without any write bit is refused by its mode alone: that is what
  // a read-only file is on Windows, and it keeps root and users alike.
  struct stat old;
  const bool existed = ::stat(target.c_str(), &old) == 0;
  if (existed) {
    if (S_ISDIR(old.st_mode)) return Fail(Stage::Create, EISDIR);
    if (!S_ISREG(old.st_mode)) return Fail(Stage::Create, EINVAL);
    if ((old.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return Fail(Stage::Create, EACCES);
    if (::access(target.c_str(), W_OK) != 0) return Fail(Stage::Create, errno);
    if (old.st_nlink > 1) return WriteInPlace(target, true, chunks, writeChunk);
  } else if (errno != ENOENT) {
    return Fail(Stage::Create, errno);
  }

  const auto [folder, name] = SplitFolder(target);
  RemoveStaleTemps(folder, name);
  static std::atomic<unsigned> counter{0};
  std::string tempPath;
  int raw = -1;
  int tempError = EEXIST;
  for (int attempt = 0; attempt < 100 && raw < 0 && tempError == EEXIST; ++attempt) {
    tempPath = folder + "/" + TempPrefix(name) + std::to_string(::getpid()) + "-" +
               std::to_string(counter.fetch_add(1));
    raw = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (raw < 0) tempError = errno;
  }
  if (raw < 0) {
    // No temp file, but perhaps the file itself can be written, as a plain
    // create would: a folder without the right to create files (an
    // existing file), a name that leaves no room for the temp name's tail.
    if (tempError == EACCES || tempError == EPERM || tempError == ENAMETOOLONG ||
        tempError == EEXIST)
      return WriteInPlace(target, existed, chunks, writeChunk);
    return Fail(Stage::Create, tempError);
  }
  Fd fd(raw);
  const auto abandon = [&](Stage stage, int error) {
    fd.Close();
    ::unlink(tempPath.c_str());
    return Fail(stage, error);
  };

  if (existed) {
    // Owner and group are kept where the system lets us (only root may give
    // a file away); a file we cannot give back becomes ours, as on a copy.
    if (::fchown(fd.get(), old.st_uid, old.st_gid) != 0 && errno != EPERM)
      return abandon(Stage::Create, errno);
  }
  if (::fchmod(fd.get(), existed ? (old.st_mode & 07777) : NewFileMode()) != 0)
    return abandon(Stage::Create, errno);
  if (const int error = WriteChunks(fd.get(), chunks, writeChunk))
    return abandon(Stage::Write, error);
  if (::fsync(fd.get()) != 0) return abandon(Stage::Write, errno);
  if (const int error = fd.Close()) {
    ::unlink(tempPath.c_str());
    return Fail(Stage::Write, error);
  }
  if (::rename(tempPath.c_str(), target.c_str()) != 0) {
    // Nothing of the target was touched: it could not be replaced.
    const int error = errno;
    ::unlink(tempPath.c_str());
    return Fail(Stage::Create, error);
  }
  // The rename itself must reach the disk, or a crash could bring back the
  // old file after the program was told the save worked.
  Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() < 0) return Fail(Stage::Write, errno);
  // Some file systems cannot sync a folder at all (EINVAL): nothing to wait for.
  if (::fsync(dir.get()) != 0 && errno != EINVAL && errno != ENOSYS)
    return Fail(Stage::Write, errno);
  return {};
}

}  // namespace dw
