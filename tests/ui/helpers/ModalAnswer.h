#pragma once
// Answers the modal dialogs that a command opens, so that a test can drive the real windows.
//
// Each function returns at once; the answer is given from the event loop as soon as a matching
// dialog is the active modal widget, and its record fills in then (check it with QTRY_ macros
// or after the command has returned).

#include <QString>
#include <memory>

struct ModalAnswer {
  bool seen = false;
  QString title;
  QString text;
};

// The next message box (any modal dialog that is not a file dialog): records its title and its
// text (the QLabel named "Message", else the first QLabel with text), then presses the button
// whose caption (without "&") is `button`; with no caption given, the button named "OK", else the
// default button, else accepts the dialog.
std::shared_ptr<ModalAnswer> AnswerNextBox(const QString& button = QString());

// The next file dialog: types the name and accepts, or cancels it when the name is empty.
std::shared_ptr<ModalAnswer> AnswerNextFileDialog(const QString& fileName);
