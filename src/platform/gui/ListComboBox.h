// A drop-down list without typing whose change signal fires exactly when the
// selected position changes, by the user or by the program: never on clearing
// or adding items, never when the position set is the one already selected.
#pragma once

#include <QComboBox>
#include <QStringList>

namespace dw::gui {

class ListComboBox : public QComboBox {
  Q_OBJECT

 public:
  explicit ListComboBox(QWidget* parent = nullptr);

  // Replaces every item; afterwards nothing is selected and Changed has not fired.
  void SetItems(const QStringList& items);
  // Sets the position without firing Changed; true when the selection changed.
  bool SetIndexQuietly(int index);

  // The drop-down fades in and out over 0.1 s.
  void showPopup() override;
  void hidePopup() override;

 signals:
  void Changed();

 private:
  void OnIndexChanged(int index);
  // The position Changed last reported (or that was set quietly); QComboBox
  // also signals repeats, which are filtered against this.
  int reported_ = -1;
};

}  // namespace dw::gui
