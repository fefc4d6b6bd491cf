#include "ui/UndoSteps.h"

#include <QAction>
#include <QUndoStack>
#include <utility>

#include "model/BankAddress.h"

TEditCommand::TEditCommand(const QString& caption, Rom& rom, EditStep step,
                           std::function<void(const EditStep&)> shown)
    : QUndoCommand(caption), rom_(rom), step_(std::move(step)), shown_(std::move(shown)) {}

void TEditCommand::undo() {
  RevertEdit(rom_, step_);
  if (shown_) shown_(step_);
}

void TEditCommand::redo() {
  if (std::exchange(inPlace_, false)) return;
  ApplyEdit(rom_, step_);
  if (shown_) shown_(step_);
}

QString ChangeInstructionCaption(uint32_t offset) {
  return "Change Instruction at " + QString::fromStdString(OffsetToBankAddress(offset));
}

QString CodeEditorCaption(const EditStep& step) {
  return "Code Editor block at " + QString::fromStdString(OffsetToBankAddress(step.FirstOffset()));
}

namespace {

void Follow(QUndoStack* stack, QAction* action, const QString& verb, bool undo) {
  auto caption = [action, verb](const QString& step) {
    action->setText(step.isEmpty() ? verb : verb + ' ' + step);
  };
  caption(undo ? stack->undoText() : stack->redoText());
  action->setEnabled(undo ? stack->canUndo() : stack->canRedo());
  QObject::connect(stack, undo ? &QUndoStack::undoTextChanged : &QUndoStack::redoTextChanged,
                   action, caption);
  QObject::connect(stack, undo ? &QUndoStack::canUndoChanged : &QUndoStack::canRedoChanged, action,
                   &QAction::setEnabled);
  QObject::connect(action, &QAction::triggered, stack,
                   undo ? &QUndoStack::undo : &QUndoStack::redo);
}

}  // namespace

void ConnectUndoActions(QUndoStack* stack, QAction* undo, QAction* redo) {
  Follow(stack, undo, QStringLiteral("&Undo"), true);
  Follow(stack, redo, QStringLiteral("&Redo"), false);
  redo->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
}
