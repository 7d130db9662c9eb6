// Build step: writes the program icon as the hicolor PNGs that are installed
// beside the desktop entry, from the same drawing as the window icon.
// Usage: dw_icon_export <folder>   (writes <folder>/<N>x<N>/apps/dropwell.png)
#include <QDir>
#include <cstdio>

#include "theme/ProgramIcon.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: dw_icon_export <folder>\n");
    return 2;
  }
  const QString root = QString::fromLocal8Bit(argv[1]);
  for (const int size : {16, 24, 32, 48, 64, 72, 96, 128, 256}) {
    const QString folder = QStringLiteral("%1/%2x%2/apps").arg(root).arg(size);
    if (!QDir().mkpath(folder) ||
        !dw::theme::ProgramIconImage(size).save(folder + QStringLiteral("/dropwell.png"))) {
      std::fprintf(stderr, "dw_icon_export: cannot write %s\n", qPrintable(folder));
      return 1;
    }
  }
  return 0;
}
