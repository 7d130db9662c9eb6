// Times reading and writing the folder list file at 10,000 and 100,000 lines
// in each encoding, beside iconv converting the same bytes in a child
// process. Prints one line per case with the ratios, then the growth from
// 10,000 to 100,000 lines (about 10 when the cost is linear).
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

#include "platform/Utf.h"
#include "platform/posix/PosixPlatform.h"
#include "store/FolderListFile.h"

namespace {

using dw::TextEncoding;
using Clock = std::chrono::steady_clock;

constexpr int kRuns = 5;

// The system platform with a fixed ANSI code page, so the ANSI case measures
// a real single-byte conversion whatever the machine's locale.
class BenchPlatform : public dw::PosixPlatform {
 public:
  unsigned AnsiCodePage() override { return 1252; }
};

double BestMilliseconds(const std::function<void()>& work) {
  double best = 1e300;
  for (int run = 0; run < kRuns; ++run) {
    const auto start = Clock::now();
    work();
    const std::chrono::duration<double, std::milli> took = Clock::now() - start;
    best = std::min(best, took.count());
  }
  return best;
}

std::vector<std::u16string> MakeLines(std::size_t count) {
  std::vector<std::u16string> lines;
  lines.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::u16string n = dw::FromUtf8(std::to_string(i));
    lines.push_back(u"C:\\Users\\Andr\u00E9\\Donn\u00E9es\\Projet " + n +
                    u"\\Entw\u00FCrfe,Alias \u00E9t\u00E9 " + n);
  }
  return lines;
}

struct Case {
  const char* name;
  TextEncoding encoding;
  const char* iconvFrom;
  const char* iconvTo;
};

struct Times {
  double read = 0, write = 0, iconv = 0;
};

Times Measure(dw::Platform& platform, const Case& c, std::size_t count,
              const std::filesystem::path& folder) {
  const auto lines = MakeLines(count);
  const auto encoded = dw::EncodeFolderList(platform, lines, c.encoding);
  const auto source = folder / (std::string(c.name) + "-" + std::to_string(count) + ".txt");
  {
    std::ofstream out(source, std::ios::binary);
    out << encoded.mark << encoded.text;
  }
  const std::u16string sourcePath = source.u16string();
  const std::u16string targetPath = (folder / "written.txt").u16string();

  Times times;
  dw::FolderList list;
  times.read = BestMilliseconds([&] { dw::ReadFolderListFile(platform, sourcePath, list); });
  if (list.lines != lines) {
    std::fprintf(stderr, "%s: the lines read differ from the lines written\n", c.name);
    std::exit(1);
  }
  times.write = BestMilliseconds([&] { dw::WriteFolderListFile(platform, targetPath, list); });

  const std::string command = std::string("iconv -f ") + c.iconvFrom + " -t " + c.iconvTo + " '" +
                              source.string() + "' > /dev/null";
  times.iconv = BestMilliseconds([&] {
    if (std::system(command.c_str()) != 0) {
      std::fprintf(stderr, "failed: %s\n", command.c_str());
      std::exit(1);
    }
  });
  std::printf(
      "%-9s %7zu lines %6.2f MB  read %8.2f ms  write %8.2f ms  iconv %8.2f ms  "
      "read/iconv %5.2f  write/iconv %5.2f\n",
      c.name, count, static_cast<double>(encoded.mark.size() + encoded.text.size()) / 1e6,
      times.read, times.write, times.iconv, times.read / times.iconv, times.write / times.iconv);
  return times;
}

}  // namespace

int main() {
  const auto folder = std::filesystem::temp_directory_path() /
                      ("dropwell-bench-folderlist-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  BenchPlatform platform;

  const Case cases[] = {
      {"ansi-1252", {TextEncoding::Kind::Ansi, 1252}, "WINDOWS-1252", "UTF-8"},
      {"utf-8", {TextEncoding::Kind::Utf8, 0}, "UTF-8", "UTF-16LE"},
      {"utf-16le", {TextEncoding::Kind::Utf16LE, 0}, "UTF-16LE", "UTF-8"},
      {"utf-16be", {TextEncoding::Kind::Utf16BE, 0}, "UTF-16BE", "UTF-8"},
  };
  std::printf("best of %d runs; iconv includes starting its process\n", kRuns);
  int status = 0;
  try {
    for (const auto& c : cases) {
      const Times small = Measure(platform, c, 10000, folder);
      const Times large = Measure(platform, c, 100000, folder);
      std::printf("%-9s 100k/10k  read %5.2f  write %5.2f  iconv %5.2f\n", c.name,
                  large.read / small.read, large.write / small.write, large.iconv / small.iconv);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "error: %s\n", e.what());
    status = 1;
  }
  std::filesystem::remove_all(folder);
  return status;
}
