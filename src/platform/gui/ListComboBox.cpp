#include "platform/gui/ListComboBox.h"

#include <QAbstractItemView>
#include <QLabel>
#include <QPixmap>
#include <QPropertyAnimation>
#include <QSignalBlocker>

namespace dw::gui {

void ListComboBox::showPopup() {
  QComboBox::showPopup();
  QWidget* panel = view()->window();
  if (panel == window()) return;
  auto* fade = new QPropertyAnimation(panel, "windowOpacity", panel);
  fade->setDuration(100);
  fade->setStartValue(0.0);
  fade->setEndValue(1.0);
  fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void ListComboBox::hidePopup() {
  QWidget* panel = view()->window();
  const bool shown = panel != window() && panel->isVisible();
  const QPixmap picture = shown ? panel->grab() : QPixmap();
  const QRect place = panel->geometry();
  // The list itself goes at once, so the choice and what follows it (a
  // message box, say) never wait; a picture of it fades out in its place.
  QComboBox::hidePopup();
  if (picture.isNull()) return;
  auto* ghost =
      new QLabel(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput |
                              Qt::WindowDoesNotAcceptFocus);
  ghost->setObjectName(QStringLiteral("ComboFadeOut"));
  ghost->setAttribute(Qt::WA_ShowWithoutActivating);
  ghost->setAttribute(Qt::WA_TransparentForMouseEvents);
  ghost->setAttribute(Qt::WA_DeleteOnClose);
  ghost->setPixmap(picture);
  ghost->setGeometry(place);
  ghost->show();
  auto* fade = new QPropertyAnimation(ghost, "windowOpacity", ghost);
  fade->setDuration(100);
  fade->setStartValue(1.0);
  fade->setEndValue(0.0);
  connect(fade, &QPropertyAnimation::finished, ghost, &QWidget::close);
  fade->start();
}

ListComboBox::ListComboBox(QWidget* parent) : QComboBox(parent) {
  setEditable(false);
  connect(this, &QComboBox::currentIndexChanged, this, &ListComboBox::OnIndexChanged);
}

void ListComboBox::SetItems(const QStringList& items) {
  {
    const QSignalBlocker blocker(this);
    clear();
    addItems(items);
    setCurrentIndex(-1);
  }
  reported_ = currentIndex();
}

bool ListComboBox::SetIndexQuietly(int index) {
  {
    const QSignalBlocker blocker(this);
    setCurrentIndex(index < 0 ? -1 : index);
  }
  const bool changed = currentIndex() != reported_;
  reported_ = currentIndex();
  return changed;
}

void ListComboBox::OnIndexChanged(int index) {
  if (index == reported_) return;
  reported_ = index;
  emit Changed();
}

}  // namespace dw::gui
