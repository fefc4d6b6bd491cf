#include "ui/SymbolSteps.h"

#include <utility>

#include "ui/Latin1.h"

TSymbolCommand::TSymbolCommand(SymbolTables tables, SymbolStep step,
                               std::function<void(const SymbolStep&, bool)> shown)
    : QUndoCommand(Utf8(SymbolStepCaption(step))),
      tables_(tables),
      step_(std::move(step)),
      shown_(std::move(shown)) {}

void TSymbolCommand::undo() {
  RevertSymbolStep(tables_, step_);
  shown_(step_, true);
}

void TSymbolCommand::redo() {
  ApplySymbolStep(tables_, step_);
  shown_(step_, std::exchange(pushed_, true));
}
