#include "ui/Go.h"

#include <QKeyEvent>
#include <optional>
#include <string>

#include "model/Failure.h"
#include "search/Goto.h"
#include "ui/AppState.h"
#include "ui/CoolMsg.h"
#include "ui/Look.h"

TGotoForm::TGotoForm(AppState& state, QWidget* parent) : TGoodForm(parent), state(state) {
  ui.setupUi(this);
  ui.AddrEdit->setFont(CodeFont());
  FormCreate();

  connect(ui.OKButton, &QPushButton::clicked, this, &TGotoForm::OKButtonClick);
  connect(ui.CancelButton, &QPushButton::clicked, this, &TGotoForm::CancelButtonClick);
  connect(ui.AddrEdit, &QLineEdit::textChanged, this, &TGotoForm::AddrEditChange);
  // toggled(true) comes only when a button was not selected before, so clicking the selected
  // button converts nothing.
  for (QRadioButton* button : {ui.GBCheck, ui.FileAddrCheck}) {
    connect(button, &QRadioButton::toggled, this, [this, button](bool on) {
      if (on) ModeSelected(button);
    });
  }
  ui.AddrEdit->installEventFilter(this);
  ui.AddrEdit->setFocus();
}

void TGotoForm::AddrEditChange(const QString& text) {
  const std::string typed = text.toLatin1().toStdString();
  if (IsLabelGotoText(typed)) return;
  QRadioButton* mode = IsGameBoyAddressText(typed) ? ui.GBCheck : ui.FileAddrCheck;
  if (mode->isChecked()) return;
  const bool outer = modeFromText;
  modeFromText = true;
  mode->setChecked(true);
  modeFromText = outer;
}

void TGotoForm::ModeSelected(QRadioButton* button) {
  const std::string text = ui.AddrEdit->text().toLatin1().toStdString();
  if (IsLabelGotoText(text)) return;
  const bool quiet = modeFromText;
  std::optional<std::string> converted;
  RunCommand(
      [&] {
        try {
          converted = button == ui.GBCheck ? FileOffsetTextToBankAddress(text)
                                           : BankAddressToFileOffsetText(text, state.rom.BankCount);
        } catch (const ConversionError&) {
          // While typing, a half-written address does not convert yet: the text stays as
          // typed. The bank check's own box, a Failure, is shown all the same.
          if (!quiet) throw;
        }
      },
      this);
  // Writing the text picks the mode again, and finds this button selected already.
  if (converted) ui.AddrEdit->setText(QString::fromLatin1(*converted));
}

void TGotoForm::OKButtonClick() {
  const std::string text = ui.AddrEdit->text().toLatin1().toStdString();
  GotoTarget found{};
  const bool done = RunCommand(
      [&] {
        found = GotoTargetFor(text, ui.GBCheck->isChecked(), state.rom.BankCount, state.labels);
      },
      this);
  if (!done) return;
  RecordGoto(state.lastSearch, found);
  target = found.Offset;
  accept();
}

void TGotoForm::CancelButtonClick() {
  reject();
}

void TGotoForm::AddrEditKeyDown(QKeyEvent* key) {
  if (IsEnterKey(key)) ui.OKButton->click();
}

void TGotoForm::FormActivate() {
  ui.AddrEdit->setFocus();
}

bool TGotoForm::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate) FormActivate();
  return TGoodForm::event(e);
}

bool TGotoForm::eventFilter(QObject* watched, QEvent* e) {
  if (watched == ui.AddrEdit && e->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(e);
    AddrEditKeyDown(key);
    // Taken here, so that the dialog's default button does not click a second time.
    if (IsEnterKey(key)) return true;
  }
  return TGoodForm::eventFilter(watched, e);
}
