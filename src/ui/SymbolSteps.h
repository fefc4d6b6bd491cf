#pragma once
// The undo stack's entries for the user's labels, comments and marks, beside the byte steps of
// UndoSteps.h. Each wraps one SymbolStep of the core: pushed, it puts the change in; undone, it
// takes it back.

#include <QUndoCommand>
#include <functional>

#include "model/SymbolEdit.h"

class TSymbolCommand : public QUndoCommand {
 public:
  // `shown` runs after every redo and undo, the first redo (the push) included; `again` is false
  // only then, when the user is looking at the change already.
  TSymbolCommand(SymbolTables tables, SymbolStep step,
                 std::function<void(const SymbolStep& step, bool again)> shown);

  void undo() override;
  void redo() override;

 private:
  SymbolTables tables_;
  const SymbolStep step_;
  const std::function<void(const SymbolStep&, bool)> shown_;
  bool pushed_ = false;
};
