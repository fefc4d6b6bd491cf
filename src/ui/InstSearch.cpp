#include "ui/InstSearch.h"

#include "ui/AppState.h"
#include "ui/CoolMsg.h"

TSearchInstForm::TSearchInstForm(AppState& state, uint32_t offset, QWidget* parent)
    : TInstForm(state, offset, QStringLiteral("Search Instruction"),
                QStringLiteral("Enter Instruction To Search:"), parent) {}

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
