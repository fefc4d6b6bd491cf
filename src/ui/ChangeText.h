#pragma once
// TChangeTextForm: Change Instruction on a text line. It is the change-instruction dialog with
// its own caption and prompt, holding the line's string to edit; OK encodes the typed text
// through the table, refusing a character without an entry by name and asking before a longer
// text runs over the old end code.
//
// Accepted means the text encodes and fits: Change() holds what to write (nothing is written
// yet). Rejected changes nothing.

#include "model/TextChange.h"
#include "ui/ChnageInst.h"

class TChangeTextForm : public TInstForm {
  Q_OBJECT
 public:
  TChangeTextForm(AppState& state, const GameString& old, QWidget* parent = nullptr);

  const StringChange& Change() const { return change_; }

 protected:
  void OKButtonClick() override;

 private:
  const GameString old_;
  StringChange change_;
};
