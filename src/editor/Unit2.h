// The folder list editor: a modal dialog, created hidden at start-up and kept
// for the whole run.
#pragma once

#include <QDialog>

namespace dw {
class Platform;
}

class TForm2 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm2(dw::Platform& platform, QWidget* parent = nullptr);
  ~TForm2() override;

 private:
  dw::Platform& platform_;
};

extern TForm2* Form2;
