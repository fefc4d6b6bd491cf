#pragma once
// TChangeTextForm: Change Instruction on a text line. A plain line of text holding the line's
// string to edit; OK encodes the typed text through the table, refusing a character without an
// entry by name and asking before a longer text runs over the old end code.
//
// Accepted means the text encodes and fits: Change() holds what to write (nothing is written
// yet). Rejected changes nothing.

#include "model/TextChange.h"
#include "ui/GF.h"
#include "ui_ChangeText.h"

struct AppState;

class TChangeTextForm : public TGoodForm {
  Q_OBJECT
 public:
  TChangeTextForm(AppState& state, const GameString& old, QWidget* parent = nullptr);

  const StringChange& Change() const { return change_; }

 private:
  void OKButtonClick();

  Ui::TChangeTextForm ui;
  AppState& state_;
  const GameString old_;
  StringChange change_;
};
