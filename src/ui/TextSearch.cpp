#include "ui/TextSearch.h"

#include <QKeyEvent>

#include "search/TextSearch.h"
#include "ui/AppState.h"
#include "ui/CoolMsg.h"
#include "ui/Look.h"

TSearchTextForm::TSearchTextForm(AppState& state, uint32_t offset, QWidget* parent)
    : TGoodForm(parent), state(state), offset(offset) {
  ui.setupUi(this);
  ui.DataEdit->setFont(CodeFont());
  ApplyHintLook(ui.HintLabel);
  FormCreate();

  connect(ui.OKButton, &QPushButton::clicked, this, &TSearchTextForm::OKButtonClick);
  connect(ui.CancelButton, &QPushButton::clicked, this, &TSearchTextForm::reject);
  connect(ui.FindAllButton, &QPushButton::clicked, this, &TSearchTextForm::FindAllButtonClick);
  ui.DataEdit->installEventFilter(this);
  ui.DataEdit->setFocus();
}

void TSearchTextForm::OKButtonClick() {
  // Game text is UTF-8, as the table holds it.
  const std::string text = ui.DataEdit->text().toUtf8().toStdString();
  const bool done = RunCommand(
      [&] {
        outcome = RunTextSearch(state.rom, &state.table, state.lastSearch,
                                static_cast<int32_t>(offset), text);
      },
      this);
  if (done) accept();
}

void TSearchTextForm::FindAllButtonClick() {
  const std::string text = ui.DataEdit->text().toUtf8().toStdString();
  const bool done = RunCommand(
      [&] { allMatches = RunTextFindAll(state.rom, &state.table, state.lastSearch, text); }, this);
  if (done) accept();
}

bool TSearchTextForm::eventFilter(QObject* watched, QEvent* e) {
  if (watched == ui.DataEdit && e->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(e);
    // Taken here, so that the dialog's default button does not click a second time.
    if (IsEnterKey(key)) {
      ui.OKButton->click();
      return true;
    }
  }
  return TGoodForm::eventFilter(watched, e);
}
