#include "ui/ByteSearch.h"

#include "ui/AppState.h"

TSearchByteForm::TSearchByteForm(AppState& state, uint32_t offset, QWidget* parent)
    : TSearchLineForm(state, offset, parent) {}

SearchOutcome TSearchByteForm::Search(const QString& text) {
  return RunByteSearch(state.rom, state.lastSearch, static_cast<int32_t>(offset),
                       text.toLatin1().toStdString());
}

FindAllResult TSearchByteForm::FindAll(const QString& text) {
  return RunByteFindAll(state.rom, state.lastSearch, text.toLatin1().toStdString());
}
