#include "ui/TextSearch.h"

#include "search/TextSearch.h"
#include "ui/AppState.h"

namespace {
const TSearchLineForm::Words kWords{
    "Search Text", "Enter Text To Search:",
    "Hint: The text is encoded through the loaded table. Write a byte without an entry as <$xx> "
    "and a line break as \\n."};
}  // namespace

TSearchTextForm::TSearchTextForm(AppState& state, uint32_t offset, QWidget* parent)
    : TSearchLineForm(state, offset, parent, &kWords) {}

// Game text is UTF-8, as the table holds it.
SearchOutcome TSearchTextForm::Search(const QString& text) {
  return RunTextSearch(state.rom, &state.table, state.lastSearch, static_cast<int32_t>(offset),
                       text.toUtf8().toStdString());
}

FindAllResult TSearchTextForm::FindAll(const QString& text) {
  return RunTextFindAll(state.rom, &state.table, state.lastSearch, text.toUtf8().toStdString());
}
