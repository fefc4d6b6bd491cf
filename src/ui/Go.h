#pragma once
// TGotoForm: the goto dialog. The address is typed as a bank address ("01:4150") or as a file
// offset (decimal, or "$" and hexadecimal digits); a ":" in the text picks the mode by itself,
// and picking the other mode by hand rewrites the text in that form.
//
// Accepted means Target() is the file offset to show (ShowOffset) and LastSearch records the
// goto. Rejected changes nothing.

#include <cstdint>

#include "ui/GF.h"
#include "ui_Go.h"

struct AppState;
class QKeyEvent;
class QRadioButton;

class TGotoForm : public TGoodForm {
  Q_OBJECT
 public:
  explicit TGotoForm(AppState& state, QWidget* parent = nullptr);

  int32_t Target() const { return target; }

 private:
  void OKButtonClick();
  void CancelButtonClick();
  void AddrEditChange(const QString& text);
  void AddrEditKeyDown(QKeyEvent* key);
  void FormActivate();
  // A mode button has just become selected: rewrite the text in its form.
  void ModeSelected(QRadioButton* button);

  bool event(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

  AppState& state;
  int32_t target = 0;
  // Set while the text itself picks the mode: a conversion that fails then keeps the text as
  // typed without a word.
  bool modeFromText = false;
  Ui::TGotoForm ui;
};
