#include "platform/gui/ListComboBox.h"

#include <QSignalBlocker>

namespace dw::gui {

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
