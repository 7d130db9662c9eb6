// The program's icon: an amber folder with a dark grey downward arrow on the
// left half of its front, on a transparent background. Drawn by code, so the
// window icon and the icon files installed with the program are one drawing.
#pragma once

#include <QIcon>
#include <QImage>
#include <QRectF>

class QPainter;

namespace dw::theme {

// Paints the icon into a square box.
void PaintProgramIcon(QPainter& painter, const QRectF& box);
// The icon at a size in pixels, with alpha.
QImage ProgramIconImage(int pixels);
// The icon for windows; each size is drawn only when asked for.
QIcon ProgramIcon();

}  // namespace dw::theme
