#include "ui/InstSearch.h"

#include <QPushButton>

#include "ui/AppState.h"
#include "ui/CoolMsg.h"

TSearchInstForm::TSearchInstForm(AppState& state, uint32_t offset, QWidget* parent)
    : TInstForm(state, offset, QStringLiteral("Search Instruction"),
                QStringLiteral("Enter Instruction To Search:"), parent) {
  // The layout is the change dialog's: Find All goes in the free place left of OK.
  auto* findAll = new QPushButton(QStringLiteral("Find All"), this);
  findAll->setObjectName("FindAllButton");
  findAll->setGeometry(8, ui.OKButton->y(), ui.OKButton->x() - 12, ui.OKButton->height());
  setTabOrder(ui.CodeCombo, findAll);
  connect(findAll, &QPushButton::clicked, this, &TSearchInstForm::FindAllButtonClick);
}

void TSearchInstForm::FindAllButtonClick() {
  const std::string text = CodeText();
  const bool done = RunCommand(
      [&] { allMatches = RunInstructionFindAll(state.rom, state.labels, state.lastSearch, text); },
      this);
  if (done) accept();
}

void TSearchInstForm::OKButtonClick() {
  // A "?" left in the text is refused by the search itself, with its Info box.
  const std::string text = CodeText();
  const bool done = RunCommand(
      [&] {
        outcome = RunInstructionSearch(state.rom, state.labels, state.lastSearch,
                                       static_cast<int32_t>(offset), text);
      },
      this);
  if (done) accept();
}
