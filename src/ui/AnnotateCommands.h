#pragma once
// The main window's commands that name and explain the ROM without changing its bytes: Edit >
// Label..., Comment... and Mark as Code / Data / Text / Pointer Table on the selected line, and the label
// browser's renames, deletions and new RAM labels. Each change is one undo step on the main
// window's stack, and so an unsaved change.

#include <QObject>
#include <functional>

#include "model/Marks.h"
#include "model/SymbolEdit.h"

class QAction;
class QUndoStack;
class TCommandHost;

class TAnnotateCommands : public QObject {
  Q_OBJECT
 public:
  struct Items {
    QAction* Label;
    QAction* Comment;
    QAction* MarkCode;
    QAction* MarkData;
    QAction* MarkText;
    QAction* MarkPointers;
  };

  TAnnotateCommands(TCommandHost* host, QUndoStack* stack, const Items& items);

  // The items work only while a ROM is loaded.
  void Enable(bool enabled);
  // A step made elsewhere (the label browser), pushed as the commands push theirs.
  void Push(const std::optional<SymbolStep>& step);

 private:
  void Label1Click();
  void Comment1Click();
  void MarkClick(MarkKind kind);
  void MarkPointersClick();
  // After the step went in or was taken back: the listing shows it.
  void Shown(const SymbolStep& step, bool again);

  TCommandHost* main_;  // the main window, as its commands see it
  QUndoStack* stack_;
  Items items_;
};
