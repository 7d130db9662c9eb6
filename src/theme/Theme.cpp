#include "theme/Theme.h"

#include <QApplication>
#include <QFontDatabase>
#include <QStyle>
#include <QStyleFactory>

#include "theme/DarkStyle.h"
#include "theme/ProgramIcon.h"

#ifdef DW_HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

namespace dw::theme {

namespace {

const QString kSegoe = QStringLiteral("Segoe MDL2 Assets");

// Loads the built-in icon font once; its family name, or empty on failure.
QString BuiltInFamily() {
  static const QString family = [] {
    const int id = QFontDatabase::addApplicationFont(QStringLiteral(":/dropwell/glyphs.ttf"));
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    return families.isEmpty() ? QString() : families.first();
  }();
  return family;
}

}  // namespace

FontWarmup::FontWarmup() {
#ifdef DW_HAVE_FONTCONFIG
  // The toolkit's own later call finds the configuration loaded and returns.
  thread_ = std::thread([] { FcInit(); });
#endif
}

FontWarmup::~FontWarmup() {
  Wait();
}

void FontWarmup::Wait() {
  if (thread_.joinable()) thread_.join();
}

bool HasSegoeGlyphs() {
  static const bool has = QFontDatabase::families().contains(kSegoe);
  return has;
}

QFont GlyphFont(int pixelSize) {
  QFont font(HasSegoeGlyphs() ? kSegoe : BuiltInFamily());
  font.setPixelSize(pixelSize);
  font.setStyleStrategy(QFont::NoFontMerging);
  return font;
}

QString Glyph(char16_t segoeCodePoint) {
  if (HasSegoeGlyphs()) return QString(QChar(segoeCodePoint));
  // The nearest symbols of the built-in font.
  char16_t mapped = segoeCodePoint;
  switch (segoeCodePoint) {
    case 0xECCD:
      mapped = 0xE2CC;
      break;  // new folder
    case 0xE12E:
      mapped = 0xE2C8;
      break;  // open folder
    case 0xE2B2:
      mapped = 0xF1CE;
      break;  // resize (open in full)
    case 0xE840:
      mapped = 0xF10D;
      break;  // pin
    case 0xE10A:
      mapped = 0xE5CD;
      break;  // close
    default:
      break;
  }
  return QString(QChar(mapped));
}

void ApplyTheme(QApplication& app) {
  // Every window wears the program icon, so the taskbar shows it also for the
  // borderless drop window; the desktop entry of the same name matches it.
  QApplication::setWindowIcon(ProgramIcon());
  QGuiApplication::setDesktopFileName(QStringLiteral("dropwell"));
  if (qEnvironmentVariableIsSet("DW_BENCH_NO_THEME")) {
    // Only for the start-up bench, which measures what the theme costs: the
    // same program on plain Fusion.
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) app.setStyle(fusion);
    return;
  }
  app.setStyle(new DarkStyle(QStyleFactory::create(QStringLiteral("Fusion"))));
  app.setPalette(DarkPalette());
}

}  // namespace dw::theme
