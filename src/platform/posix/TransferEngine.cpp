#include "platform/posix/TransferEngine.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <linux/fs.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <map>
#include <memory>
#include <optional>
#include <unordered_set>

#include "platform/Utf.h"
#include "platform/posix/Fd.h"

namespace dw {

namespace {

// Returned by the copy routines when the user cancelled; never an errno.
constexpr int kCancelled = -1;
// The pipe of a spliced copy and the buffer of a plain one.
constexpr size_t kPipeSize = 1u << 20;
constexpr size_t kBufferSize = 128u << 10;
// Moved sources waiting for their copies to reach the disk are removed at
// the latest when this many have gathered, so the list stays small.
constexpr size_t kRemovalBatch = 4096;
// A moved file is written out in steps of this size while it is copied, and
// the rest once it is complete if it has at least kWritebackMin bytes.
constexpr std::uint64_t kWritebackStep = 8u << 20;
constexpr std::uint64_t kWritebackMin = 1u << 20;

// Whether an error from the first step of a method means "not between these
// files" rather than a real failure.
bool Unsupported(int error) {
  return error == EXDEV || error == ENOSYS || error == EINVAL || error == EOPNOTSUPP ||
         error == ENOTTY || error == ETXTBSY || error == EPERM;
}

// Empties the target again, after a method failed on its first chunk; 0 or
// an errno. (The source is only ever read at explicit offsets.)
int EmptyTarget(int out) {
  struct stat st;
  if (fstat(out, &st) != 0) return errno;
  if (st.st_size == 0) return 0;
  if (lseek(out, 0, SEEK_SET) != 0 || ftruncate(out, 0) != 0) return errno;
  return 0;
}

std::u16string SystemText(int code) {
  std::string text = strerror(code);
  while (!text.empty() && (text.back() == '.' || static_cast<unsigned char>(text.back()) <= ' '))
    text.pop_back();
  return FromUtf8(text);
}

std::string StripTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string BaseName(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ParentOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string Join(const std::string& folder, const std::string& name) {
  return folder == "/" ? "/" + name : folder + "/" + name;
}

void SplitName(const std::string& name, bool isFolder, std::string& stem, std::string& ext) {
  const auto dot = isFolder ? std::string::npos : name.rfind('.');
  if (dot == std::string::npos || dot == 0) {
    stem = name;
    ext.clear();
  } else {
    stem = name.substr(0, dot);
    ext = name.substr(dot);
  }
}

bool Exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 || errno != ENOENT;
}

// Whether a name is free: 0 when nothing has it, EEXIST when something
// does, another errno when the name cannot be looked up (too long, no
// rights), which no other number in the name will mend. A relative name is
// looked up in the folder dir.
int NameFree(int dir, const char* name) {
  struct stat st;
  if (fstatat(dir, name, &st, AT_SYMLINK_NOFOLLOW) == 0) return EEXIST;
  return errno == ENOENT ? 0 : errno;
}

int NameFree(const std::string& path) {
  return NameFree(AT_FDCWD, path.c_str());
}

bool SameEntry(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether the folder is path itself or one of its parents, found by device
// and inode, so that a second way to the same folder (a bind mount, a
// link) is seen through.
bool IsFolderOrAbove(const struct stat& folder, const std::string& path) {
  int fd = open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  for (int depth = 0; fd >= 0 && depth < 4096; ++depth) {
    Fd current(fd);
    struct stat here;
    if (fstat(current.get(), &here) != 0) return false;
    if (SameEntry(here, folder)) return true;
    fd = openat(current.get(), "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
    struct stat up;
    if (fd >= 0 && fstat(fd, &up) == 0 && SameEntry(up, here)) {  // the root
      close(fd);
      return false;
    }
  }
  if (fd >= 0) close(fd);
  return false;
}

// rename that never replaces; the kernel checks, so no race with a lookup.
int RenameNoReplace(const std::string& from, const std::string& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  const int e = errno;
  if (e != EINVAL && e != ENOSYS) return e;
  // File systems without the flag: check first, then rename.
  if (Exists(to)) return EEXIST;
  return rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

// A copy is written under a name of this form beside its final name and
// renamed when complete, so a killed transfer leaves no file that looks
// finished: ".dwpart-<process id>-<number>".
constexpr std::string_view kPartPrefix = ".dwpart-";

std::string PartName() {
  static std::atomic<unsigned> counter{0};
  return std::string(kPartPrefix) + std::to_string(getpid()) + "-" + std::to_string(++counter);
}

std::string TempNameBeside(const std::string& target) {
  return Join(ParentOf(target), PartName());
}

// The process that wrote a part file of ours, or 0 for any other name.
pid_t PartFileOwner(std::string_view name) {
  if (!name.starts_with(kPartPrefix)) return 0;
  name.remove_prefix(kPartPrefix.size());
  const auto dash = name.find('-');
  if (dash == 0 || dash == std::string_view::npos || dash + 1 == name.size()) return 0;
  pid_t pid = 0;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (i == dash) continue;
    if (name[i] < '0' || name[i] > '9') return 0;
    if (i < dash) {
      if (pid > 100000000) return 0;
      pid = pid * 10 + (name[i] - '0');
    }
  }
  return pid;
}

// An open folder, kept while the entries of one folder are handled: naming
// an entry within it spares the kernel a walk along the whole path for each.
class FolderHandle {
 public:
  // Runs op(descriptor of folder), which gives -1 and errno on failure. A
  // descriptor kept from before may stand for a folder deleted or replaced
  // since, so a failure through it is tried once more on a fresh one: the
  // outcome is always the one the whole path would give.
  template <class Op>
  int Use(const std::string& folder, Op op) {
    const bool kept = fd_ && folder == path_;
    if (!kept && !Open(folder)) return -1;
    const int result = op(fd_->get());
    if (result >= 0 || !kept) return result;
    return Open(folder) ? op(fd_->get()) : -1;
  }

 private:
  bool Open(const std::string& folder) {
    fd_.reset();
    const int fd = open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    fd_.emplace(fd);
    path_ = folder;
    return true;
  }
  std::string path_;
  std::optional<Fd> fd_;
};

enum class Outcome { Done, Skipped, Cancelled };

// What to do about a name that is taken.
enum class Resolution { Merge, Replace, KeepBoth, Skip, Cancel, Retry };

class Transfer {
 public:
  Transfer(TransferUi& ui, bool copy, CopyMethod firstMethod)
      : ui_(ui), copy_(copy), firstMethod_(firstMethod) {}

  ShellOpResult Run(const std::vector<std::u16string>& sources, const std::u16string& destination);

 private:
  struct Source {
    std::string path;
    bool found = false;
    struct stat st {};
  };

  bool Tick();
  Outcome AskError(const std::string& path, int code, bool canRetry,
                   const std::u16string& message = {});
  template <class Op>
  Outcome Attempt(const std::string& path, Op op);
  void Scan(const std::string& path, const struct stat& st);

  void TransferTop(const Source& source);
  Outcome TransferEntry(const std::string& src, const struct stat& st, std::string target);
  Outcome MoveByRename(const std::string& src, const struct stat& st, std::string target);
  Outcome TransferFolder(const std::string& src, std::string target);
  Outcome TransferChildren(const std::string& src, const std::string& target);
  Outcome TransferFile(const std::string& src, const struct stat& st, std::string target);
  Outcome TransferLink(const std::string& src, std::string target);
  // One file or link: copyOne(target, replace) returns 0 or an errno
  // (or kCancelled); conflicts and errors are asked, a move's source removed.
  template <typename CopyOne>
  Outcome TransferLeaf(const std::string& src, const struct stat& st, std::string target,
                       CopyOne copyOne);
  // A move's source whose copy is complete: removed by FlushRemovals, once
  // the copies are on disk. A file is removed only if it is still the one
  // that was copied (lastCopied_).
  Outcome QueueRemoval(const std::string& src, bool isFolder);
  void FlushRemovals();
  // The file system of a folder just written into is synced before any
  // source is removed.
  void NoteWritten(const std::string& folder, dev_t device);
  Resolution ResolveConflict(const std::string& src, const struct stat& st, std::string& target);
  // Removes the part files that a killed transfer of ours left in a folder
  // (never those of a transfer still running).
  Outcome RemoveLeftovers(const std::string& folder);
  // A free name for a copy: name(n) for n = first, first + 1, ...; empty
  // when no such name can be made there, which the user was told.
  template <class MakeName>
  std::string FreeName(const std::string& src, const std::string& folder, unsigned first,
                       MakeName name);
  int CopyRegularFile(const std::string& src, const std::string& target, bool replace);
  int LinkUnnamed(int fd, const std::string& folder, const std::string& name);
  // One step of a copy at offset done: bytes copied, 0 at the end, -1 and
  // errno on failure.
  ssize_t CopyChunk(CopyMethod method, int in, int out, std::uint64_t done);
  ssize_t SpliceChunk(int in, int out, std::uint64_t done);
  int CopyLink(const std::string& src, const std::string& target, bool replace);

  TransferUi& ui_;
  const bool copy_;
  ShellOpResult result_;
  bool cancelled_ = false;
  std::optional<ConflictChoice> conflictForAll_;
  TransferProgress progress_;
  std::string dest_;
  struct stat destSt_ {};
  dev_t destDev_ = 0;
  std::string lastParent_;
  struct stat lastParentSt_ {};
  bool lastParentFound_ = false;
  // The copy buffer and pipe, made once per run when first needed; and the
  // method found to work from one source device, so that the faster ones
  // are not tried again for every file.
  std::unique_ptr<char[]> buffer_;
  std::optional<Fd> pipeRead_;
  std::optional<Fd> pipeWrite_;
  // The folders of the file being read and of the one being written.
  FolderHandle sourceFolder_;
  FolderHandle targetFolder_;
  // The folders this transfer created, whose names need no check for
  // conflicts.
  std::unordered_set<std::string> madeFolders_;
  // Whether new files can be written unnamed, until a file system or a
  // missing /proc says otherwise.
  bool unnamedFiles_ = true;
  enum class LinkWay { Descriptor, Proc };
  LinkWay linkWay_ = LinkWay::Descriptor;
  bool methodKnown_ = false;
  dev_t methodDev_ = 0;
  CopyMethod method_ = CopyMethod::Clone;
  const CopyMethod firstMethod_;
  // The source as it was when its copy was finished.
  struct stat lastCopied_ {};
  struct Removal {
    std::string path;
    bool isFolder = false;
    struct stat copied {};
  };
  std::vector<Removal> removals_;
  // One open folder per file system written to, for syncfs; a folder that
  // could not be opened makes the flush sync everything.
  std::map<dev_t, std::unique_ptr<Fd>> written_;
  bool syncAll_ = false;
};

bool Transfer::Tick() {
  if (cancelled_) return false;
  if (!ui_.Progress(progress_)) {
    cancelled_ = true;
    result_.anyAborted = true;
  }
  return !cancelled_;
}

Outcome Transfer::AskError(const std::string& path, int code, bool canRetry,
                           const std::u16string& message) {
  const TransferError error{PathFromBytes(path), message.empty() ? SystemText(code) : message, code,
                            canRetry};
  const ErrorChoice choice = ui_.AskError(error);
  if (choice == ErrorChoice::TryAgain && canRetry) return Outcome::Done;
  if (result_.code == 0) result_.code = code;
  result_.anyAborted = true;
  if (choice == ErrorChoice::Cancel) {
    cancelled_ = true;
    return Outcome::Cancelled;
  }
  return Outcome::Skipped;
}

// Runs op (0 or an errno) until it succeeds or the user gives up on it.
template <class Op>
Outcome Transfer::Attempt(const std::string& path, Op op) {
  for (;;) {
    const int e = op();
    if (e == 0) return Outcome::Done;
    const Outcome o = AskError(path, e, true);
    if (o != Outcome::Done) return o;
  }
}

void Transfer::Scan(const std::string& path, const struct stat& st) {
  ++progress_.itemsTotal;
  if (S_ISREG(st.st_mode)) progress_.bytesTotal += static_cast<std::uint64_t>(st.st_size);
  if (!S_ISDIR(st.st_mode)) return;
  DIR* dir = opendir(path.c_str());
  if (!dir) return;  // reported when the folder itself is transferred
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat child;
    if (fstatat(dirfd(dir), entry->d_name, &child, AT_SYMLINK_NOFOLLOW) != 0) continue;
    Scan(Join(path, name), child);
    if ((progress_.itemsTotal & 255) == 0 && !Tick()) break;
  }
  closedir(dir);
}

ShellOpResult Transfer::Run(const std::vector<std::u16string>& sources,
                            const std::u16string& destination) {
  if (sources.empty()) return result_;
  ui_.Begin(copy_, destination);
  struct EndOnExit {
    TransferUi& ui;
    ~EndOnExit() { ui.End(); }
  } endOnExit{ui_};

  dest_ = StripTrailingSlashes(PathToBytes(destination));
  struct stat destSt;
  const Outcome destOk = Attempt(dest_, [&] {
    if (stat(dest_.c_str(), &destSt) != 0) return errno;
    return S_ISDIR(destSt.st_mode) ? 0 : ENOTDIR;
  });
  if (destOk != Outcome::Done) return result_;
  destDev_ = destSt.st_dev;
  destSt_ = destSt;
  if (RemoveLeftovers(dest_) == Outcome::Cancelled) return result_;

  // Totals for the progress window. A move within one file system is a
  // rename per source, so only what has to be copied is walked.
  std::vector<Source> list;
  list.reserve(sources.size());
  for (const auto& s : sources) {
    Source source;
    source.path = StripTrailingSlashes(PathToBytes(s));
    source.found = lstat(source.path.c_str(), &source.st) == 0;
    if (!source.found || (!copy_ && source.st.st_dev == destDev_)) {
      ++progress_.itemsTotal;
    } else {
      Scan(source.path, source.st);
    }
    list.push_back(std::move(source));
    if (cancelled_) return result_;
  }
  if (!Tick()) return result_;

  for (const auto& source : list) {
    if (cancelled_) break;
    TransferTop(source);
  }
  // Also after a cancel: what was copied completely is moved.
  FlushRemovals();
  return result_;
}

void Transfer::TransferTop(const Source& source) {
  const std::string& src = source.path;
  struct stat st = source.st;
  if (!source.found) {
    if (Attempt(src, [&] { return lstat(src.c_str(), &st) == 0 ? 0 : errno; }) != Outcome::Done)
      return;
  }
  const std::string name = BaseName(src);
  progress_.currentName = PathFromBytes(name);
  const bool isFolder = S_ISDIR(st.st_mode);

  const std::string parent = ParentOf(src);
  if (parent != lastParent_) {
    lastParent_ = parent;
    lastParentFound_ = stat(parent.c_str(), &lastParentSt_) == 0;
  }

  // By device and inode, not by path: through a bind mount the same folder
  // has another path, and a rename there fails as if across devices.
  if (isFolder && IsFolderOrAbove(st, dest_)) {
    AskError(src, EINVAL, false,
             u"The destination folder is the source folder itself or one of its subfolders");
    return;
  }

  if (lastParentFound_ && SameEntry(lastParentSt_, destSt_)) {
    if (!copy_) {
      // Refused, not passed over: a drop told it was moved lets a drag
      // source delete what it dragged, here the only copy.
      AskError(src, EINVAL, false, u"The source and destination are the same folder");
      return;
    }
    const std::string target =
        FreeName(src, dest_, 1, [&](unsigned n) { return CopyOfName(name, isFolder, n); });
    if (!target.empty()) TransferEntry(src, st, target);
    return;
  }
  TransferEntry(src, st, Join(dest_, name));
}

Outcome Transfer::TransferEntry(const std::string& src, const struct stat& st, std::string target) {
  if (cancelled_) return Outcome::Cancelled;
  progress_.currentName = PathFromBytes(BaseName(src));
  if (!copy_ && st.st_dev == destDev_) return MoveByRename(src, st, std::move(target));
  if (S_ISDIR(st.st_mode)) return TransferFolder(src, std::move(target));
  if (S_ISREG(st.st_mode)) return TransferFile(src, st, std::move(target));
  if (S_ISLNK(st.st_mode)) return TransferLink(src, std::move(target));
  // Devices, pipes and sockets: reading them could block forever.
  return AskError(src, ENOTSUP, false);
}

Resolution Transfer::ResolveConflict(const std::string& src, const struct stat& st,
                                     std::string& target) {
  struct stat existing;
  if (lstat(target.c_str(), &existing) != 0) return Resolution::Retry;  // gone meanwhile
  const bool srcFolder = S_ISDIR(st.st_mode);
  const bool targetFolder = S_ISDIR(existing.st_mode);
  if (SameEntry(st, existing)) {
    // Reached by a second path: replacing it would delete it.
    return AskError(src, EINVAL, false, u"The source and the destination are the same file") ==
                   Outcome::Cancelled
               ? Resolution::Cancel
               : Resolution::Skip;
  }
  if (srcFolder && targetFolder) return Resolution::Merge;

  ConflictChoice choice;
  if (conflictForAll_) {
    choice = *conflictForAll_;
  } else {
    const ConflictAnswer answer =
        ui_.AskConflict({PathFromBytes(src), PathFromBytes(target), srcFolder, targetFolder});
    choice = answer.choice;
    if (answer.forAll && choice != ConflictChoice::Cancel) conflictForAll_ = choice;
  }
  // A folder is never replaced by a file nor a file by a folder: that would
  // delete the folder's contents. Both are kept instead.
  if (choice == ConflictChoice::Replace && srcFolder != targetFolder)
    choice = ConflictChoice::KeepBoth;

  switch (choice) {
    case ConflictChoice::Replace:
      return Resolution::Replace;
    case ConflictChoice::KeepBoth: {
      const std::string name = BaseName(target);
      target = FreeName(src, ParentOf(target), 2,
                        [&](unsigned n) { return NumberedName(name, srcFolder, n); });
      if (!target.empty()) return Resolution::KeepBoth;
      return cancelled_ ? Resolution::Cancel : Resolution::Skip;
    }
    case ConflictChoice::Skip:
      result_.anyAborted = true;
      return Resolution::Skip;
    case ConflictChoice::Cancel:
      break;
  }
  result_.anyAborted = true;
  cancelled_ = true;
  return Resolution::Cancel;
}

template <class MakeName>
std::string Transfer::FreeName(const std::string& src, const std::string& folder, unsigned first,
                               MakeName makeName) {
  for (unsigned n = first; n != 0; ++n) {
    const std::string name = makeName(n);
    const std::string path = Join(folder, name);
    const int e = name.empty() ? ENAMETOOLONG : NameFree(path);
    if (e == 0) return path;
    if (e != EEXIST) {
      AskError(src, e, false);
      return {};
    }
  }
  AskError(src, EEXIST, false);
  return {};
}

Outcome Transfer::RemoveLeftovers(const std::string& folder) {
  std::vector<std::string> stale;
  if (DIR* dir = opendir(folder.c_str())) {
    while (const dirent* entry = readdir(dir)) {
      const pid_t owner = PartFileOwner(entry->d_name);
      if (owner != 0 && owner != getpid() && kill(owner, 0) != 0 && errno == ESRCH)
        stale.emplace_back(entry->d_name);
    }
    closedir(dir);
  }  // a folder that cannot be listed is reported where it is used
  for (const auto& name : stale) {
    const std::string path = Join(folder, name);
    const Outcome o =
        Attempt(path, [&] { return unlink(path.c_str()) == 0 || errno == ENOENT ? 0 : errno; });
    if (o != Outcome::Done) return o;
  }
  return Outcome::Done;
}

Outcome Transfer::MoveByRename(const std::string& src, const struct stat& st, std::string target) {
  bool replace = false;
  for (;;) {
    int e = replace ? (rename(src.c_str(), target.c_str()) == 0 ? 0 : errno)
                    : RenameNoReplace(src, target);
    if (e == 0) {
      ++progress_.itemsDone;
      Tick();
      return Outcome::Done;
    }
    if (e == EXDEV) {
      // Same device number but another mount: copy, then delete.
      if (S_ISDIR(st.st_mode)) return TransferFolder(src, target);
      if (S_ISREG(st.st_mode)) return TransferFile(src, st, target);
      if (S_ISLNK(st.st_mode)) return TransferLink(src, target);
      return AskError(src, ENOTSUP, false);
    }
    if ((e == EEXIST || e == ENOTEMPTY) && !replace) {
      switch (ResolveConflict(src, st, target)) {
        case Resolution::Merge: {
          const Outcome o = TransferChildren(src, target);
          return o == Outcome::Done ? QueueRemoval(src, true) : o;
        }
        case Resolution::Replace:
          replace = true;
          continue;
        case Resolution::KeepBoth:
        case Resolution::Retry:
          continue;
        case Resolution::Skip:
          return Outcome::Skipped;
        case Resolution::Cancel:
          return Outcome::Cancelled;
      }
    }
    const Outcome o = AskError(src, e, true);
    if (o != Outcome::Done) return o;
  }
}

Outcome Transfer::TransferFolder(const std::string& src, std::string target) {
  struct stat st;
  if (lstat(src.c_str(), &st) != 0) return AskError(src, errno, false);
  for (;;) {
    if (mkdir(target.c_str(), 0777) == 0) {
      madeFolders_.insert(target);
      break;
    }
    const int e = errno;
    if (e == EEXIST) {
      const Resolution r = ResolveConflict(src, st, target);
      if (r == Resolution::Merge) {
        madeFolders_.erase(target);  // made earlier in this drop: now it has names
        const Outcome o = RemoveLeftovers(target);
        if (o != Outcome::Done) return o;
        break;
      }
      if (r == Resolution::Skip) return Outcome::Skipped;
      if (r == Resolution::Cancel) return Outcome::Cancelled;
      continue;  // a new name to keep both, or the name came free
    }
    const Outcome o = AskError(target, e, true);
    if (o != Outcome::Done) return o;
  }
  if (!copy_) {
    struct stat made;
    if (lstat(target.c_str(), &made) == 0) NoteWritten(target, made.st_dev);
  }
  ++progress_.itemsDone;
  if (!Tick()) return Outcome::Cancelled;
  const Outcome o = TransferChildren(src, target);
  if (o != Outcome::Done || copy_) return o;
  return QueueRemoval(src, true);
}

// Each entry of src into the folder target; Done only when every one of
// them was transferred.
Outcome Transfer::TransferChildren(const std::string& src, const std::string& target) {
  std::vector<std::pair<ino_t, std::string>> entries;
  const Outcome listed = Attempt(src, [&] {
    entries.clear();
    DIR* dir = opendir(src.c_str());
    if (!dir) return errno;
    errno = 0;
    while (const dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") entries.emplace_back(entry->d_ino, name);
    }
    const int e = errno;
    closedir(dir);
    return e;
  });
  if (listed != Outcome::Done) return listed;
  // In inode order the file system reads its inode tables front to back
  // instead of hopping about in hash order; large folders copy much faster.
  std::sort(entries.begin(), entries.end());

  Outcome all = Outcome::Done;
  for (const auto& entry : entries) {
    // Not a structured binding: clang before 16 cannot capture one below.
    const std::string& name = entry.second;
    if (cancelled_) return Outcome::Cancelled;
    const std::string child = Join(src, name);
    struct stat st;
    const auto statChild = [&](int folder) {
      return fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW);
    };
    const Outcome found =
        Attempt(child, [&] { return sourceFolder_.Use(src, statChild) == 0 ? 0 : errno; });
    Outcome o = found == Outcome::Done ? TransferEntry(child, st, Join(target, name)) : found;
    if (o == Outcome::Cancelled) return o;
    if (o == Outcome::Skipped) all = Outcome::Skipped;
  }
  return all;
}

Outcome Transfer::TransferFile(const std::string& src, const struct stat& st, std::string target) {
  return TransferLeaf(src, st, std::move(target), [&](const std::string& to, bool replace) {
    return CopyRegularFile(src, to, replace);
  });
}

Outcome Transfer::TransferLink(const std::string& src, std::string target) {
  struct stat st;
  if (lstat(src.c_str(), &st) != 0) return AskError(src, errno, false);
  return TransferLeaf(src, st, std::move(target), [&](const std::string& to, bool replace) {
    return CopyLink(src, to, replace);
  });
}

template <typename CopyOne>
Outcome Transfer::TransferLeaf(const std::string& src, const struct stat& st, std::string target,
                               CopyOne copyOne) {
  bool replace = false;
  for (;;) {
    const int e = copyOne(target, replace);
    if (e == 0) break;
    if (e == kCancelled) return Outcome::Cancelled;
    if (e == EEXIST && !replace) {
      const Resolution r = ResolveConflict(src, st, target);
      if (r == Resolution::Skip) return Outcome::Skipped;
      if (r == Resolution::Cancel) return Outcome::Cancelled;
      replace = r == Resolution::Replace;
      continue;
    }
    const Outcome o = AskError(src, e, true);
    if (o != Outcome::Done) return o;
  }
  ++progress_.itemsDone;
  if (!copy_) QueueRemoval(src, false);
  return Tick() ? Outcome::Done : Outcome::Cancelled;
}

Outcome Transfer::QueueRemoval(const std::string& src, bool isFolder) {
  removals_.push_back({src, isFolder, lastCopied_});
  if (removals_.size() >= kRemovalBatch) FlushRemovals();
  return Outcome::Done;
}

void Transfer::NoteWritten(const std::string& folder, dev_t device) {
  if (written_.count(device) != 0) return;
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    syncAll_ = true;
    return;
  }
  written_.emplace(device, std::make_unique<Fd>(fd));
}

// Until the copies are on disk, a crash or a pulled drive would lose them,
// so no source goes before that. One syncfs per file system and batch costs
// far less than an fsync of every file and folder.
void Transfer::FlushRemovals() {
  if (removals_.empty()) return;
  std::vector<Removal> batch;
  batch.swap(removals_);
  if (syncAll_) sync();
  for (const auto& entry : written_) {
    const int folder = entry.second->get();
    const Outcome synced = Attempt(dest_, [&] { return syncfs(folder) == 0 ? 0 : errno; });
    if (synced != Outcome::Done) return;  // every source stays where it is
  }
  written_.clear();
  syncAll_ = false;

  for (const Removal& r : batch) {
    if (!r.isFolder) {
      struct stat now;
      if (lstat(r.path.c_str(), &now) != 0) continue;  // gone already: nothing to lose
      if (now.st_dev != r.copied.st_dev || now.st_ino != r.copied.st_ino ||
          now.st_size != r.copied.st_size || now.st_mtim.tv_sec != r.copied.st_mtim.tv_sec ||
          now.st_mtim.tv_nsec != r.copied.st_mtim.tv_nsec) {
        if (AskError(r.path, EBUSY, false,
                     u"The file was changed after it was copied, so it was not removed") ==
            Outcome::Cancelled)
          return;
        continue;
      }
    }
    const Outcome o = Attempt(r.path, [&] {
      return (r.isFolder ? rmdir(r.path.c_str()) : unlink(r.path.c_str())) == 0 ? 0 : errno;
    });
    if (o == Outcome::Cancelled) return;
  }
}

// Copies one regular file. A new file is written unnamed (O_TMPFILE) and
// linked under its name only when complete, so a failure or a kill leaves
// nothing behind; a replacing copy, and one on a file system without
// unnamed files, is written beside its final name and renamed to it, so a
// replaced file survives a failure. The copy must end up with the source's
// size.
int Transfer::CopyRegularFile(const std::string& src, const std::string& target, bool replace) {
  const std::string srcName = BaseName(src);
  // Without blocking: a FIFO put in the file's place would hang the open.
  Fd in(sourceFolder_.Use(ParentOf(src), [&](int folder) {
    return openat(folder, srcName.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  }));
  if (in.get() < 0) return errno;
  struct stat st;
  if (fstat(in.get(), &st) != 0) return errno;
  if (!S_ISREG(st.st_mode)) return ENOTSUP;  // replaced since it was listed
  if (fcntl(in.get(), F_SETFL, 0) != 0) return errno;
  const std::string folder = ParentOf(target);
  const std::string targetName = BaseName(target);
  if (!replace && madeFolders_.count(folder) == 0) {
    // Looked up in the kept folder, not along the whole path. A free name
    // is the success here, so the common case is never tried twice. In a
    // folder this transfer made every name is free, short of a race, which
    // the link below still catches.
    const int free = targetFolder_.Use(folder, [&](int dir) {
      errno = NameFree(dir, targetName.c_str());
      return errno == 0 ? 0 : -1;
    });
    if (free != 0) return errno;
  }
  std::string partName;  // empty while the copy has no name
  Fd out(targetFolder_.Use(folder, [&](int dir) {
    if (!replace && unnamedFiles_) {
      const int fd = openat(dir, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, st.st_mode & 0777);
      // EISDIR: a kernel that predates the flag; the others: a file system
      // without it.
      if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)) return fd;
      unnamedFiles_ = false;
    }
    partName = PartName();
    return openat(dir, partName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                  st.st_mode & 0777);
  }));
  if (out.get() < 0) return errno;
  const std::string partPath = partName.empty() ? std::string() : Join(folder, partName);

  std::uint64_t copied = 0;
  int error = 0;
  CopyMethod method = methodKnown_ && methodDev_ == st.st_dev ? method_ : firstMethod_;
  // Up to the size seen at the start, without a last call to find the end:
  // a file that grows or shrinks meanwhile fails the size check below.
  const auto size = static_cast<std::uint64_t>(st.st_size);
  while (copied < size) {
    const ssize_t n = CopyChunk(method, in.get(), out.get(), copied);
    if (n < 0 && copied == 0 && method != CopyMethod::Buffer && Unsupported(errno)) {
      // Nothing counts as written yet: start over with the next method, and
      // remember it for this source device. The target is cut back only if
      // something reached it: on ext4 a truncated file is written out to
      // disk when closed, which would slow every fallback copy.
      if (const int e = EmptyTarget(out.get())) {
        error = e;
        break;
      }
      method = method == CopyMethod::Clone ? CopyMethod::Splice : CopyMethod::Buffer;
      methodKnown_ = true;
      methodDev_ = st.st_dev;
      method_ = method;
      continue;
    }
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
      break;
    }
    if (n == 0) break;
    const std::uint64_t before = copied;
    copied += static_cast<std::uint64_t>(n);
    if (!copy_ && copied / kWritebackStep != before / kWritebackStep) {
      // A moved file must reach the disk before its source goes: start
      // writing each step out while the rest is still being copied.
      const std::uint64_t from = before / kWritebackStep * kWritebackStep;
      sync_file_range(out.get(), static_cast<off64_t>(from), static_cast<off64_t>(copied - from),
                      SYNC_FILE_RANGE_WRITE);
    }
    progress_.bytesDone += static_cast<std::uint64_t>(n);
    if (!Tick()) {
      error = kCancelled;
      break;
    }
  }

  if (error == 0) {
    struct stat now, written;
    if (fstat(in.get(), &now) != 0 || fstat(out.get(), &written) != 0) {
      error = errno;
    } else if (static_cast<std::uint64_t>(now.st_size) != copied ||
               static_cast<std::uint64_t>(written.st_size) != copied) {
      error = EIO;  // the source changed while it was copied, or data went missing
    } else {
      const timespec times[2] = {st.st_atim, st.st_mtim};
      if (futimens(out.get(), times) != 0) error = errno;
      lastCopied_ = now;
      if (!copy_) {
        // Start writing out the rest of a large file now, so the sync before
        // the sources go finds little left to do. Small files are left to
        // that one sync, which writes them out together.
        if (copied >= kWritebackMin) {
          const std::uint64_t from = copied / kWritebackStep * kWritebackStep;
          sync_file_range(out.get(), static_cast<off64_t>(from), 0, SYNC_FILE_RANGE_WRITE);
        }
        NoteWritten(folder, written.st_dev);
      }
    }
  }
  in.Close();
  if (partName.empty()) {
    // Never replaces: EEXIST means the name was taken meanwhile, which is
    // asked as a conflict.
    if (error == 0) error = LinkUnnamed(out.get(), folder, targetName);
    if (const int e = out.Close(); e != 0 && error == 0) {
      error = e;
      unlink(target.c_str());
    }
  } else {
    if (const int e = out.Close(); e != 0 && error == 0) error = e;
    if (error == 0) {
      if (replace) {
        if (rename(partPath.c_str(), target.c_str()) != 0) error = errno;
      } else {
        error = RenameNoReplace(partPath, target);  // EEXIST: as above
      }
    }
    if (error != 0) unlink(partPath.c_str());
  }
  if (error != 0) progress_.bytesDone -= copied;
  return error;
}

// Gives the unnamed file fd the name folder/name. Linking the descriptor
// itself is the cheaper way, but before Linux 6.10 it needs a capability;
// the way through /proc works without. The one that works is kept.
int Transfer::LinkUnnamed(int fd, const std::string& folder, const std::string& name) {
  const auto link = [&](int dir, LinkWay way) {
    if (way == LinkWay::Descriptor) return linkat(fd, "", dir, name.c_str(), AT_EMPTY_PATH);
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    return linkat(AT_FDCWD, self.c_str(), dir, name.c_str(), AT_SYMLINK_FOLLOW);
  };
  const int linked = targetFolder_.Use(folder, [&](int dir) {
    if (link(dir, linkWay_) == 0) return 0;
    // Refused for want of the capability (ENOENT, EPERM): the other way.
    if (linkWay_ != LinkWay::Descriptor || (errno != ENOENT && errno != EPERM)) return -1;
    if (link(dir, LinkWay::Proc) != 0) return -1;
    linkWay_ = LinkWay::Proc;
    return 0;
  });
  if (linked == 0) return 0;
  const int e = errno;
  // Neither way works (no /proc either): this copy fails, with a retry
  // offered, and the following ones are written named.
  if (e == ENOENT || e == EPERM) unnamedFiles_ = false;
  return e;
}

ssize_t Transfer::CopyChunk(CopyMethod method, int in, int out, std::uint64_t done) {
  switch (method) {
    case CopyMethod::Clone: {
      if (ioctl(out, FICLONE, in) != 0) return -1;
      struct stat st;
      if (fstat(out, &st) != 0) return -1;
      return static_cast<ssize_t>(st.st_size);
    }
    case CopyMethod::Splice:
      return SpliceChunk(in, out, done);
    case CopyMethod::Buffer:
      break;
  }
  if (!buffer_) buffer_.reset(new char[kBufferSize]);
  const ssize_t n = pread(in, buffer_.get(), kBufferSize, static_cast<off_t>(done));
  for (ssize_t written = 0; n > 0 && written < n;) {
    const ssize_t w = write(out, buffer_.get() + written, static_cast<size_t>(n - written));
    if (w < 0 && errno != EINTR) return -1;
    if (w > 0) written += w;
  }
  return n;
}

// Reads at the given offset into the pipe and empties the pipe into out. The
// source's own offset is left alone, so a fallback starts where this began.
ssize_t Transfer::SpliceChunk(int in, int out, std::uint64_t done) {
  if (!pipeRead_) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return -1;
    pipeRead_.emplace(ends[0]);
    pipeWrite_.emplace(ends[1]);
    fcntl(ends[1], F_SETPIPE_SZ, static_cast<int>(kPipeSize));  // a smaller pipe works too
  }
  loff_t offset = static_cast<loff_t>(done);
  const ssize_t n = splice(in, &offset, pipeWrite_->get(), nullptr, kPipeSize, SPLICE_F_MOVE);
  if (n <= 0) return n;
  for (ssize_t left = n; left > 0;) {
    const ssize_t w =
        splice(pipeRead_->get(), nullptr, out, nullptr, static_cast<size_t>(left), SPLICE_F_MOVE);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) {
      // What is left in the pipe belongs to this attempt only.
      const int e = w < 0 ? errno : EIO;
      pipeRead_.reset();
      pipeWrite_.reset();
      errno = e;
      return -1;
    }
    left -= w;
  }
  return n;
}

// Copies a symbolic link as a link, never what it points to. A replaced link
// is made beside the old one and renamed over it, like a replaced file.
int Transfer::CopyLink(const std::string& src, const std::string& target, bool replace) {
  struct stat link;
  if (lstat(src.c_str(), &link) != 0) return errno;
  std::string pointsTo(256, '\0');
  for (;;) {
    const ssize_t n = readlink(src.c_str(), pointsTo.data(), pointsTo.size());
    if (n < 0) return errno;
    if (static_cast<std::size_t>(n) < pointsTo.size()) {
      pointsTo.resize(static_cast<std::size_t>(n));
      break;
    }
    pointsTo.resize(pointsTo.size() * 2);  // may have been cut short
  }
  const std::string outPath = replace ? TempNameBeside(target) : target;
  if (symlink(pointsTo.c_str(), outPath.c_str()) != 0) return errno;
  if (replace && rename(outPath.c_str(), target.c_str()) != 0) {
    const int e = errno;
    unlink(outPath.c_str());
    return e;
  }
  lastCopied_ = link;
  if (!copy_) {
    struct stat made;
    if (lstat(target.c_str(), &made) == 0) NoteWritten(ParentOf(target), made.st_dev);
  }
  return 0;
}

}  // namespace

namespace {

// stem + suffix + ext within a file name's 255 bytes: the stem is cut short
// (never inside a UTF-8 sequence) as far as needed; empty when even that
// does not do.
std::string FitName(std::string stem, const std::string& suffix, const std::string& ext) {
  constexpr std::size_t kMax = NAME_MAX;
  if (stem.size() + suffix.size() + ext.size() > kMax) {
    if (suffix.size() + ext.size() >= kMax) return {};
    std::size_t keep = kMax - suffix.size() - ext.size();
    while (keep > 0 && (static_cast<unsigned char>(stem[keep]) & 0xC0) == 0x80) --keep;
    if (keep == 0) return {};
    stem.resize(keep);
  }
  return stem + suffix + ext;
}

}  // namespace

std::string CopyOfName(const std::string& name, bool isFolder, unsigned number) {
  std::string stem, ext;
  SplitName(name, isFolder, stem, ext);
  if (number <= 1) return FitName(stem, " - Copy", ext);
  return FitName(stem, " - Copy (" + std::to_string(number) + ")", ext);
}

std::string NumberedName(const std::string& name, bool isFolder, unsigned number) {
  std::string stem, ext;
  SplitName(name, isFolder, stem, ext);
  return FitName(stem, " (" + std::to_string(number) + ")", ext);
}

ShellOpResult RunTransfer(TransferUi& ui, bool copy, const std::vector<std::u16string>& sources,
                          const std::u16string& destination, CopyMethod firstMethod) {
  Transfer transfer(ui, copy, firstMethod);
  return transfer.Run(sources, destination);
}

}  // namespace dw
