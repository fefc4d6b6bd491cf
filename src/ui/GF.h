#pragma once
// TGoodForm: the borderless frame of the small dialogs: a flat black title bar with the
// caption and an "X" close button, a painted bump edge, dragging by the title bar.

#include <QDialog>

class QLabel;
class QPushButton;

class TGoodForm : public QDialog {
  Q_OBJECT
 public:
  explicit TGoodForm(QWidget* parent = nullptr);

  QWidget* Title = nullptr;
  QPushButton* CloseButton = nullptr;

 protected:
  // Call after the derived dialog has set its size and caption (windowTitle): sizes the title
  // bar to the dialog's width - 4 and places "X" at its right end.
  void FormCreate();
  void CloseButtonClick();
};
