#include "platform/gui/ListComboBox.h"

#include <QAbstractItemView>
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
