// The program icon: its drawing, and that it is what every window wears.
#include <gtest/gtest.h>

#include <QApplication>
#include <QIcon>
#include <QImage>

#include "theme/ProgramIcon.h"

namespace {

// Within a few steps per channel, for antialiasing and scaling.
bool Near(QRgb a, QRgb b, int tolerance = 6) {
  return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
         std::abs(qBlue(a) - qBlue(b)) <= tolerance && std::abs(qAlpha(a) - qAlpha(b)) <= tolerance;
}

TEST(ProgramIconTest, AnAmberFolderWithADarkArrowOnItsLeftHalf) {
  struct Spot {
    double x, y;  // as fractions of the icon's size
    QRgb colour;
    const char* what;
  };
  const std::vector<Spot> spots = {
      {0.02, 0.02, 0x00000000, "transparent corner"},
      {0.98, 0.98, 0x00000000, "transparent corner"},
      {0.50, 0.05, 0x00000000, "transparent above the folder"},
      {0.25, 0.18, 0xFFF5B700, "tab"},
      {0.75, 0.27, 0xFFF5B700, "back above the front"},
      {0.75, 0.60, 0xFFFFC20B, "front, right half"},
      {0.50, 0.84, 0xFFFFC20B, "front, bottom"},
      {0.28, 0.50, 0xFF3F3F3F, "arrow shaft"},
      {0.28, 0.70, 0xFF3F3F3F, "arrow head"},
  };
  for (const int size : {256, 64, 32}) {
    const QImage icon = dw::theme::ProgramIconImage(size).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(icon.size(), QSize(size, size));
    for (const Spot& spot : spots) {
      const QRgb got = icon.pixel(int(spot.x * size), int(spot.y * size));
      EXPECT_TRUE(Near(got, spot.colour)) << spot.what << " at " << size << ": " << std::hex << got
                                          << " instead of " << spot.colour;
    }
  }
}

TEST(ProgramIconTest, TheApplicationsWindowsWearIt) {
  const QIcon icon = QApplication::windowIcon();
  ASSERT_FALSE(icon.isNull());
  const QImage drawn = icon.pixmap(48, 48).toImage().convertToFormat(QImage::Format_ARGB32);
  const QImage expected = dw::theme::ProgramIconImage(48).convertToFormat(QImage::Format_ARGB32);
  EXPECT_EQ(drawn, expected);
  EXPECT_EQ(QGuiApplication::desktopFileName(), "dropwell");
}

}  // namespace
