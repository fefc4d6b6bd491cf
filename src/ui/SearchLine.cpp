#include "ui/SearchLine.h"

#include <QKeyEvent>

#include "ui/CoolMsg.h"
#include "ui/Look.h"

TSearchLineForm::TSearchLineForm(AppState& state, uint32_t offset, QWidget* parent,
                                 const Words* words)
    : TGoodForm(parent), state(state), offset(offset) {
  ui.setupUi(this);
  if (words) {
    setWindowTitle(words->title);
    ui.Label1->setText(words->prompt);
    ui.DataEdit->clear();
    ui.HintLabel->setText(words->hint);
  }
  ui.DataEdit->setFont(CodeFont());
  ApplyHintLook(ui.HintLabel);
  FormCreate();

  connect(ui.OKButton, &QPushButton::clicked, this, &TSearchLineForm::OKButtonClick);
  connect(ui.CancelButton, &QPushButton::clicked, this, &TSearchLineForm::CancelButtonClick);
  connect(ui.FindAllButton, &QPushButton::clicked, this, &TSearchLineForm::FindAllButtonClick);
  ui.DataEdit->installEventFilter(this);
  ui.DataEdit->setFocus();
}

void TSearchLineForm::OKButtonClick() {
  if (RunCommand([&] { outcome = Search(ui.DataEdit->text()); }, this)) accept();
}

void TSearchLineForm::FindAllButtonClick() {
  if (RunCommand([&] { allMatches = FindAll(ui.DataEdit->text()); }, this)) accept();
}

void TSearchLineForm::CancelButtonClick() {
  reject();
}

bool TSearchLineForm::eventFilter(QObject* watched, QEvent* e) {
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
