#include "ui/ByteSearch.h"

#include <QKeyEvent>

#include "ui/AppState.h"
#include "ui/CoolMsg.h"
#include "ui/Look.h"

TSearchByteForm::TSearchByteForm(AppState& state, uint32_t offset, QWidget* parent)
    : TGoodForm(parent), state(state), offset(offset) {
  ui.setupUi(this);
  ui.DataEdit->setFont(CodeFont());
  ApplyHintLook(ui.HintLabel);
  FormCreate();

  connect(ui.OKButton, &QPushButton::clicked, this, &TSearchByteForm::OKButtonClick);
  connect(ui.CancelButton, &QPushButton::clicked, this, &TSearchByteForm::CancelButtonClick);
  connect(ui.FindAllButton, &QPushButton::clicked, this, &TSearchByteForm::FindAllButtonClick);
  ui.DataEdit->installEventFilter(this);
  ui.DataEdit->setFocus();
}

void TSearchByteForm::OKButtonClick() {
  const std::string text = ui.DataEdit->text().toLatin1().toStdString();
  const bool done = RunCommand(
      [&] {
        outcome = RunByteSearch(state.rom, state.lastSearch, static_cast<int32_t>(offset), text);
      },
      this);
  if (done) accept();
}

void TSearchByteForm::FindAllButtonClick() {
  const std::string text = ui.DataEdit->text().toLatin1().toStdString();
  const bool done =
      RunCommand([&] { allMatches = RunByteFindAll(state.rom, state.lastSearch, text); }, this);
  if (done) accept();
}

void TSearchByteForm::CancelButtonClick() {
  reject();
}

void TSearchByteForm::DataEditKeyDown(QKeyEvent* key) {
  if (IsEnterKey(key)) ui.OKButton->click();
}

bool TSearchByteForm::eventFilter(QObject* watched, QEvent* e) {
  if (watched == ui.DataEdit && e->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(e);
    DataEditKeyDown(key);
    // Taken here, so that the dialog's default button does not click a second time.
    if (IsEnterKey(key)) return true;
  }
  return TGoodForm::eventFilter(watched, e);
}
