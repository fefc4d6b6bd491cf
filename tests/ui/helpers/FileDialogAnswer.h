#pragma once
// Answers the next file dialog, which a command usually opens before or after a message box:
// the call returns at once and the answer is given from the event loop as soon as a file dialog
// is the active modal widget. Dropping the returned record withdraws the answer, so that a
// dialog that never came cannot be answered later by mistake.

#include <QString>
#include <memory>

struct SeenFileDialog {
  bool seen = false;
  QString offeredName;  // the name the dialog offered when it opened
};

// Types the name and accepts the dialog, or cancels it when the name is empty.
std::shared_ptr<SeenFileDialog> AnswerNextFileDialog(const QString& fileName);
