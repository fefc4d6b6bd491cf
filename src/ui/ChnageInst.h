#pragma once
// TInstForm: the change-instruction dialog. It offers every instruction of the table as a
// template with "?" where the value goes, and assembles the typed text over the instruction at
// the selected listing line.
//
// The caller shows it with exec(); Accepted means the ROM image was changed at the offset, so
// the listing must be refilled and TakeStep() goes on the undo stack. Rejected changes nothing.

#include <QString>
#include <cstdint>
#include <string>

#include "model/Edit.h"
#include "ui/GF.h"
#include "ui_ChnageInst.h"

struct AppState;
class QKeyEvent;

class TInstForm : public TGoodForm {
  Q_OBJECT
 public:
  TInstForm(AppState& state, uint32_t offset, QWidget* parent = nullptr);

  // After Accepted: the bytes that the instruction changed.
  EditStep TakeStep() { return std::move(step_); }

 protected:
  // For the instruction search, which keeps the layout and behaviour but for its caption, its
  // prompt and what OK does.
  TInstForm(AppState& state, uint32_t offset, const QString& caption, const QString& prompt,
            QWidget* parent);

  // The text of CodeCombo exactly as typed, one byte per character.
  std::string CodeText() const;

  virtual void OKButtonClick();
  void CancelButtonClick();
  void CodeComboKeyDown(QKeyEvent* key);
  void FormActivate();

  bool event(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

  AppState& state;
  const uint32_t offset;
  Ui::TInstForm ui;

 private:
  void FormCreate();

  EditStep step_;
};
