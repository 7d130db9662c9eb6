// The transfer engine against the system's own tools, each case run beside
// its anchor in the same process, alternating, best of several rounds:
//   copy of one big file            against cp        (throughput, goal >= 0.95x)
//   copy of a folder of small files against cp -r     (throughput, goal >= 0.90x)
//   move of many files, one device  against mv        (time, goal <= 1.10x)
//   move across devices             against mv + sync (time, goal <= 1.00x: a
//                                   moved source goes only once its copy is on disk)
// plus "gio copy" for the big file when it is installed. Sizes are options:
//   --big-bytes=N --small-count=N --small-bytes=N --xdev-bytes=N --xdev-count=N
//   --rounds=N --dir=PATH (on disk) --shm=PATH (a second file system)
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/posix/TransferEngine.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Options {
  std::uint64_t bigBytes = 1ull << 30;
  unsigned smallCount = 10000;
  std::uint64_t smallBytes = 4096;
  std::uint64_t xdevBytes = 256ull << 20;
  unsigned xdevCount = 1000;
  unsigned rounds = 3;
  fs::path dir = fs::temp_directory_path() / "dropwell-bench";
  fs::path shm = "/dev/shm/dropwell-bench";
};

bool ParseOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const auto eq = arg.find('=');
    if (eq == std::string::npos) return false;
    const std::string key = arg.substr(0, eq);
    const std::string value = arg.substr(eq + 1);
    if (key == "--big-bytes")
      o.bigBytes = std::stoull(value);
    else if (key == "--small-count")
      o.smallCount = static_cast<unsigned>(std::stoul(value));
    else if (key == "--small-bytes")
      o.smallBytes = std::stoull(value);
    else if (key == "--xdev-bytes")
      o.xdevBytes = std::stoull(value);
    else if (key == "--xdev-count")
      o.xdevCount = static_cast<unsigned>(std::stoul(value));
    else if (key == "--rounds")
      o.rounds = static_cast<unsigned>(std::stoul(value));
    else if (key == "--dir")
      o.dir = value;
    else if (key == "--shm")
      o.shm = value;
    else
      return false;
  }
  return o.rounds > 0;
}

void WriteFile(const fs::path& path, std::uint64_t bytes, char fill) {
  std::ofstream out(path, std::ios::binary);
  std::string block(1 << 20, fill);
  for (std::uint64_t left = bytes; left > 0;) {
    const auto n = static_cast<std::streamsize>(std::min<std::uint64_t>(left, block.size()));
    out.write(block.data(), n);
    left -= static_cast<std::uint64_t>(n);
  }
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

void MakeSmallFiles(const fs::path& folder, unsigned count, std::uint64_t bytes) {
  fs::create_directories(folder);
  for (unsigned i = 0; i < count; ++i)
    WriteFile(folder / ("f" + std::to_string(i) + ".dat"), bytes, static_cast<char>('a' + i % 26));
}

void Fresh(const fs::path& folder) {
  fs::remove_all(folder);
  fs::create_directories(folder);
}

// A new, empty destination for every timed run. Old ones are not deleted
// until the end: ext4 passes over recently freed inodes when it allocates,
// so whichever run came right after a mass delete would pay for it.
class Destinations {
 public:
  explicit Destinations(fs::path root) : root_(std::move(root)) {}
  const fs::path& Next() {
    current_ = root_ / ("dst-" + std::to_string(++count_));
    fs::create_directories(current_);
    return current_;
  }
  const fs::path& Current() const { return current_; }

 private:
  fs::path root_;
  fs::path current_;
  unsigned count_ = 0;
};

void Run(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
    throw std::runtime_error("cannot start " + args[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error(args[0] + " failed");
}

void Engine(bool copy, const std::vector<fs::path>& sources, const fs::path& destination) {
  dw::NonInteractiveTransferUi ui;
  std::vector<std::u16string> list;
  list.reserve(sources.size());
  for (const auto& s : sources) list.push_back(s.u16string());
  const auto r = dw::RunTransfer(ui, copy, list, destination.u16string());
  if (r.code != 0 || r.anyAborted)
    throw std::runtime_error("engine failed: " + std::to_string(r.code));
}

// Seconds for run(), with prepare() before it untimed; dirty pages are
// written out first so no case pays for the one before.
double Time(const std::function<void()>& prepare, const std::function<void()>& run) {
  prepare();
  sync();
  const auto start = std::chrono::steady_clock::now();
  run();
  const auto stop = std::chrono::steady_clock::now();
  return std::chrono::duration<double>(stop - start).count();
}

struct Pair {
  double anchor = 1e300;
  double ours = 1e300;
};

// Best of the rounds for each side, alternating which one goes first.
Pair Compare(unsigned rounds, const std::function<void()>& prepare,
             const std::function<void()>& anchor, const std::function<void()>& ours) {
  Pair best;
  for (unsigned i = 0; i < rounds; ++i) {
    if (i % 2 == 0) {
      best.anchor = std::min(best.anchor, Time(prepare, anchor));
      best.ours = std::min(best.ours, Time(prepare, ours));
    } else {
      best.ours = std::min(best.ours, Time(prepare, ours));
      best.anchor = std::min(best.anchor, Time(prepare, anchor));
    }
  }
  return best;
}

void ReportThroughput(const char* what, const char* anchor, const Pair& p, double goal) {
  const double ratio = p.anchor / p.ours;
  std::printf("%-34s %-8s %8.3f s  ours %8.3f s  throughput ratio %.2fx (goal >= %.2fx) %s\n", what,
              anchor, p.anchor, p.ours, ratio, goal, ratio >= goal ? "ok" : "MISSED");
}

void ReportTime(const char* what, const char* anchor, const Pair& p, double goal) {
  const double ratio = p.ours / p.anchor;
  if (goal > 0)
    std::printf("%-34s %-8s %8.3f s  ours %8.3f s  time ratio %.2fx (goal <= %.2fx) %s\n", what,
                anchor, p.anchor, p.ours, ratio, goal, ratio <= goal ? "ok" : "MISSED");
  else
    std::printf("%-34s %-8s %8.3f s  ours %8.3f s  time ratio %.2fx\n", what, anchor, p.anchor,
                p.ours, ratio);
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!ParseOptions(argc, argv, o)) {
    std::fprintf(stderr,
                 "usage: %s [--big-bytes=N] [--small-count=N] [--small-bytes=N] [--xdev-bytes=N]\n"
                 "          [--xdev-count=N] [--rounds=N] [--dir=PATH] [--shm=PATH]\n",
                 argv[0]);
    return 2;
  }
  try {
    Fresh(o.dir);
    const fs::path src = o.dir / "src";
    fs::create_directories(src);
    Destinations dst(o.dir / "out");
    // A single big file is deleted at once: one inode, nothing to pass over.
    const auto nextForBig = [&] {
      if (!dst.Current().empty()) fs::remove_all(dst.Current());
      dst.Next();
    };
    std::printf("work folder %s, %u rounds, best of each\n", o.dir.c_str(), o.rounds);

    // One big file.
    const fs::path big = src / "big.bin";
    WriteFile(big, o.bigBytes, 'B');
    const auto bigCase = Compare(
        o.rounds, nextForBig,
        [&] {
          Run({"cp", big.string(), dst.Current().string()});
        },
        [&] { Engine(true, {big}, dst.Current()); });
    const std::string bigName = "copy " + std::to_string(o.bigBytes >> 20) + " MiB file";
    ReportThroughput(bigName.c_str(), "cp", bigCase, 0.95);
    if (access("/usr/bin/gio", X_OK) == 0) {
      const auto gioCase = Compare(
          o.rounds, nextForBig,
          [&] {
            Run({"gio", "copy", big.string(), (dst.Current() / "big.bin").string()});
          },
          [&] { Engine(true, {big}, dst.Current()); });
      ReportThroughput(bigName.c_str(), "gio copy", gioCase, 0.95);
    }
    fs::remove(big);
    fs::remove_all(dst.Current());

    // A folder of small files.
    const fs::path small = src / "small";
    MakeSmallFiles(small, o.smallCount, o.smallBytes);
    const auto smallCase = Compare(
        o.rounds, [&] { dst.Next(); },
        [&] {
          Run({"cp", "-r", small.string(), dst.Current().string()});
        },
        [&] { Engine(true, {small}, dst.Current()); });
    const std::string smallName =
        "copy " + std::to_string(o.smallCount) + " files of " + std::to_string(o.smallBytes) + " B";
    ReportThroughput(smallName.c_str(), "cp -r", smallCase, 0.90);

    // Many files moved within one file system, given one by one as a drop
    // gives them.
    std::vector<fs::path> files;
    for (unsigned i = 0; i < o.smallCount; ++i)
      files.push_back(small / ("f" + std::to_string(i) + ".dat"));
    const auto moveBack = [&] {
      // Put the files back where the previous round took them from.
      if (!dst.Current().empty())
        for (const auto& f : files)
          if (fs::exists(dst.Current() / f.filename())) fs::rename(dst.Current() / f.filename(), f);
      dst.Next();
    };
    const auto moveCase = Compare(
        o.rounds, moveBack,
        [&] {
          std::vector<std::string> args{"mv", "-t", dst.Current().string()};
          for (const auto& f : files) args.push_back(f.string());
          Run(args);
        },
        [&] { Engine(false, files, dst.Current()); });
    const std::string moveName = "move " + std::to_string(o.smallCount) + " files, one device";
    ReportTime(moveName.c_str(), "mv", moveCase, 1.10);
    fs::remove_all(small);

    // Across devices: a big file and a folder of small files from the
    // second file system onto the disk.
    struct stat a, b;
    fs::create_directories(o.shm);
    if (stat(o.shm.c_str(), &a) == 0 && stat(o.dir.c_str(), &b) == 0 && a.st_dev != b.st_dev) {
      const fs::path xbig = o.shm / "xbig.bin";
      const fs::path xsmall = o.shm / "xsmall";
      const auto prepare = [&] {
        dst.Next();
        fs::remove_all(xsmall);
        if (!fs::exists(xbig)) WriteFile(xbig, o.xdevBytes, 'X');
        MakeSmallFiles(xsmall, o.xdevCount, o.smallBytes);
      };
      const auto xdevCase = Compare(
          o.rounds, prepare,
          [&] {
            Run({"mv", "-t", dst.Current().string(), xbig.string(), xsmall.string()});
            sync();
          },
          [&] {
            Engine(false, {xbig, xsmall}, dst.Current());
          });
      const std::string xdevName = "move " + std::to_string(o.xdevBytes >> 20) + " MiB + " +
                                   std::to_string(o.xdevCount) + " files across";
      ReportTime(xdevName.c_str(), "mv+sync", xdevCase, 1.00);
    } else {
      std::printf("move across devices: skipped, %s is on the same device as %s\n", o.shm.c_str(),
                  o.dir.c_str());
    }
    fs::remove_all(o.shm);
    fs::remove_all(o.dir);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench failed: %s\n", e.what());
    fs::remove_all(o.shm);
    fs::remove_all(o.dir);
    return 1;
  }
  return 0;
}
