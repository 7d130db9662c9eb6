// The program's look for now: a dark palette on the Fusion style, and the
// tool bar glyphs.
#pragma once

#include <QFont>
#include <QString>
#include <thread>

class QApplication;

namespace dw::theme {

void ApplyTheme(QApplication& app);

// Reads the system's font configuration on a thread of its own. That is the
// slowest step before any text can be drawn, and this way it runs beside the
// display connection instead of after it. Made before the application,
// waited for right after it (and at the latest when destroyed).
class FontWarmup {
 public:
  FontWarmup();
  ~FontWarmup();
  FontWarmup(const FontWarmup&) = delete;
  FontWarmup& operator=(const FontWarmup&) = delete;
  void Wait();

 private:
  std::thread thread_;
};

// The glyph font of the tool bar: "Segoe MDL2 Assets" where the system has
// it, otherwise the icon font built into the program.
QFont GlyphFont(int pixelSize);
// The character that shows a tool bar glyph, given by its code point in
// "Segoe MDL2 Assets"; mapped onto the built-in font when that one is used.
QString Glyph(char16_t segoeCodePoint);
// True when the system's "Segoe MDL2 Assets" is used.
bool HasSegoeGlyphs();

}  // namespace dw::theme
