#pragma once
// TGoodForm: the borderless frame of the small dialogs: a flat black title bar with the
// caption and an "X" close button, a painted bump edge, dragging by the title bar.
//
// A derived dialog sets its controls, its size and its caption (windowTitle), then calls
// FormCreate(), which sizes the title bar and fixes the dialog's size: these dialogs cannot be
// resized.

#include <QDialog>

#include "ui/FlatTitleBar.h"

class QKeyEvent;
class QPushButton;

// Return or the keypad's Enter: the key that clicks a dialog's OK from its edit.
bool IsEnterKey(const QKeyEvent* key);

class TGoodForm : public QDialog {
  Q_OBJECT
 public:
  explicit TGoodForm(QWidget* parent = nullptr);

  TFlatTitleBar* Title = nullptr;
  QPushButton* CloseButton = nullptr;

 protected:
  // Call after the derived dialog has set its size and caption (windowTitle): sizes the title
  // bar to the dialog's width - 4, places "X" at its right end and fixes the dialog's size.
  void FormCreate();
  // Closes the dialog as a cancel.
  void CloseButtonClick();

  void paintEvent(QPaintEvent* e) override;
};
