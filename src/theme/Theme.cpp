#include "theme/Theme.h"

#include <QApplication>
#include <QFontDatabase>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

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
  if (QApplication::style()->name().compare(QStringLiteral("fusion"), Qt::CaseInsensitive) != 0) {
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) app.setStyle(fusion);
  }
  QPalette p;
  const QColor window(0x2b, 0x2b, 0x2b);
  const QColor base(0x1e, 0x1e, 0x1e);
  const QColor text(0xf0, 0xf0, 0xf0);
  const QColor accent(0x3d, 0x8e, 0xd8);
  p.setColor(QPalette::Window, window);
  p.setColor(QPalette::WindowText, text);
  p.setColor(QPalette::Base, base);
  p.setColor(QPalette::AlternateBase, window);
  p.setColor(QPalette::ToolTipBase, QColor(0x40, 0x40, 0x40));
  p.setColor(QPalette::ToolTipText, text);
  p.setColor(QPalette::Text, text);
  p.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x3a));
  p.setColor(QPalette::ButtonText, text);
  p.setColor(QPalette::Highlight, accent);
  p.setColor(QPalette::HighlightedText, Qt::white);
  p.setColor(QPalette::Light, QColor(0x55, 0x55, 0x55));
  p.setColor(QPalette::Midlight, QColor(0x48, 0x48, 0x48));
  p.setColor(QPalette::Mid, QColor(0x30, 0x30, 0x30));
  p.setColor(QPalette::Dark, QColor(0x20, 0x20, 0x20));
  p.setColor(QPalette::Shadow, Qt::black);
  const QColor disabled(0x80, 0x80, 0x80);
  p.setColor(QPalette::Disabled, QPalette::WindowText, disabled);
  p.setColor(QPalette::Disabled, QPalette::Text, disabled);
  p.setColor(QPalette::Disabled, QPalette::ButtonText, disabled);
  app.setPalette(p);
}

}  // namespace dw::theme
