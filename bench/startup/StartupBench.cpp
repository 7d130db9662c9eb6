// Start to first painted frame, and peak resident memory, of the program
// beside a bare Qt Widgets window, in the same run, as ratios. A third window,
// the anchor holding the drop window's kinds of controls in a scaled view,
// shows how much of the difference the toolkit alone costs; the program run
// once more without its theme shows what the theme costs.
//
// Usage: startup_bench <Dropwell> <anchor> [rounds]   (needs DISPLAY; run.sh
// starts a private Xvfb with a black root). Both windows open at 100,100 with
// 150 x 140; the first frame is the moment the pixel in the middle of that
// area stops being the root's black.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kProbeX = 175, kProbeY = 170;

unsigned long Probe(Display* display) {
  XImage* image =
      XGetImage(display, DefaultRootWindow(display), kProbeX, kProbeY, 1, 1, AllPlanes, ZPixmap);
  if (image == nullptr) return 0;
  const unsigned long pixel = XGetPixel(image, 0, 0) & 0xFFFFFF;
  XDestroyImage(image);
  return pixel;
}

struct Sample {
  double firstFrameMs;
  long peakRssKb;
};

Sample RunOnce(Display* display, const std::string& program, const std::string& folder,
               const char* argument = nullptr, bool withoutTheme = false) {
  while (Probe(display) != 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  const auto start = Clock::now();
  const pid_t child = fork();
  if (child == 0) {
    if (chdir(folder.c_str()) != 0) _exit(126);
    // The program's bench switch: the same binary on the plain toolkit style.
    if (withoutTheme) setenv("DW_BENCH_NO_THEME", "1", 1);
    execl(program.c_str(), program.c_str(), argument, static_cast<char*>(nullptr));
    _exit(127);
  }
  Sample sample{-1, 0};
  while (Clock::now() - start < std::chrono::seconds(20)) {
    if (Probe(display) != 0) {
      sample.firstFrameMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
      break;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  // Let it settle after the first frame, then end it; the kernel keeps the
  // high-water mark of its resident memory.
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  kill(child, SIGTERM);
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  sample.peakRssKb = usage.ru_maxrss;
  return sample;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s <Dropwell> <anchor> [rounds]\n", argv[0]);
    return 2;
  }
  const int rounds = argc > 3 ? std::atoi(argv[3]) : 10;
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "no display\n");
    return 2;
  }
  // The program runs from a folder of its own (no files: the defaults apply).
  const auto folder =
      std::filesystem::temp_directory_path() / ("dropwell-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  const auto copy = folder / "Dropwell";
  std::filesystem::copy_file(argv[1], copy, std::filesystem::copy_options::overwrite_existing);
  const std::string anchor = std::filesystem::absolute(argv[2]).string();

  std::vector<double> appMs, anchorMs, controlsMs, plainMs, appKb, anchorKb, controlsKb, plainKb;
  for (int i = 0; i < rounds + 1; ++i) {
    const Sample a = RunOnce(display, copy.string(), folder.string());
    const Sample b = RunOnce(display, anchor, folder.string());
    const Sample c = RunOnce(display, anchor, folder.string(), "--controls");
    const Sample d = RunOnce(display, copy.string(), folder.string(), nullptr, true);
    if (a.firstFrameMs < 0 || b.firstFrameMs < 0 || c.firstFrameMs < 0 || d.firstFrameMs < 0) {
      std::fprintf(stderr, "no frame seen (round %d)\n", i);
      return 1;
    }
    if (i == 0) continue;  // warm-up: file cache and font cache
    appMs.push_back(a.firstFrameMs);
    anchorMs.push_back(b.firstFrameMs);
    controlsMs.push_back(c.firstFrameMs);
    appKb.push_back(static_cast<double>(a.peakRssKb));
    anchorKb.push_back(static_cast<double>(b.peakRssKb));
    controlsKb.push_back(static_cast<double>(c.peakRssKb));
    plainMs.push_back(d.firstFrameMs);
    plainKb.push_back(static_cast<double>(d.peakRssKb));
  }
  std::filesystem::remove_all(folder);
  XCloseDisplay(display);

  const double tApp = Median(appMs), tAnchor = Median(anchorMs);
  const double mApp = Median(appKb), mAnchor = Median(anchorKb);
  const double tControls = Median(controlsMs), mControls = Median(controlsKb);
  std::printf(
      "start to first frame (median of %d): Dropwell %.1f ms, bare Qt window %.1f ms, ratio %.2f "
      "(goal <= 1.30)\n",
      rounds, tApp, tAnchor, tApp / tAnchor);
  std::printf(
      "peak RSS (median of %d): Dropwell %.0f KiB, bare Qt window %.0f KiB, ratio %.2f (goal <= "
      "1.20)\n",
      rounds, mApp, mAnchor, mApp / mAnchor);
  std::printf(
      "for reference, the same controls in a scaled view without the program: %.1f ms, %.0f KiB, "
      "%.2f and %.2f of the bare window; Dropwell is %.2f and %.2f of it\n",
      tControls, mControls, tControls / tAnchor, mControls / mAnchor, tApp / tControls,
      mApp / mControls);
  const double tPlain = Median(plainMs), mPlain = Median(plainKb);
  std::printf(
      "the theme: Dropwell without it %.1f ms, %.0f KiB; with it %+.1f %% time (goal <= +5 %%), "
      "%+.0f KiB (goal <= +1024 KiB)\n",
      tPlain, mPlain, (tApp / tPlain - 1) * 100, mApp - mPlain);
  return 0;
}
