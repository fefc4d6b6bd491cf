#pragma once
// The undo stack's entries and the Edit menu's two items. Each entry wraps one EditStep, a change
// that is already in the ROM image when the entry is pushed, and puts the step's old or new bytes
// back when the stack undoes or redoes it.

#include <QString>
#include <QUndoCommand>
#include <cstdint>
#include <functional>

#include "model/Edit.h"

class QAction;
class QUndoStack;

class TEditCommand : public QUndoCommand {
 public:
  // `shown` runs after every undo and redo, so that the window can show what changed back. It
  // does not run when the stack first pushes the entry: the change is in place already.
  TEditCommand(const QString& caption, Rom& rom, EditStep step,
               std::function<void(const EditStep&)> shown);

  void undo() override;
  void redo() override;

 private:
  Rom& rom_;
  const EditStep step_;
  const std::function<void(const EditStep&)> shown_;
  bool inPlace_ = true;
};

// The steps' captions: "Change Instruction at 01:4150", "Code Editor block at 05:4100".
QString ChangeInstructionCaption(uint32_t offset);
QString CodeEditorCaption(const EditStep& step);

// Undo and Redo follow the stack: enabled when there is a step to take, captioned after it
// ("&Undo Change Instruction at 01:4150"), and taking it when triggered. Redo answers Ctrl+Y and
// Ctrl+Shift+Z.
void ConnectUndoActions(QUndoStack* stack, QAction* undo, QAction* redo);
