#pragma once
// The program's three message boxes, the default error box, the unsaved-changes question, and
// the wrapper that runs a user command and turns its failure into the right box.
//
// Every box is a modal dialog built for the call: a 48 x 48 picture (its magenta background left
// out), the text as a word-wrapped label named "Message", and its buttons ("OK", captioned
// "Okay", for the plain boxes). Enter presses the default button; Escape and the window's close
// button close the box.

#include <functional>
#include <optional>
#include <string>

class QWidget;

void ShowInfo(const std::string& text, QWidget* parent = nullptr);
void ShowError(const std::string& text, QWidget* parent = nullptr);
void ShowWarning(const std::string& text, QWidget* parent = nullptr);

// The application's default error box for run-time errors: titled "Velmora", the text with a
// "." added when its last character sorts after ".".
void ShowDefaultError(const std::string& text, QWidget* parent = nullptr);

enum class SaveAnswer { Save, DontSave, Cancel };
// "Save changes to <name>?" with Save, Don't Save and Cancel (Escape and the close button
// answer Cancel). The buttons are named "Save", "DontSave" and "Cancel"; Enter answers Save.
SaveAnswer AskSaveChanges(const std::string& fileName, QWidget* parent = nullptr);

// A question titled "Velmora" with Yes and No (buttons named "Yes" and "No"). No is the default,
// and Escape and the close button answer No too: the answer that keeps things as they are.
bool AskYesNo(const std::string& text, QWidget* parent = nullptr);

enum class YesNoCancel { Yes, No, Cancel };
// The same with Cancel as well (named "Cancel"), for a question whose No still goes on in
// another way; Cancel is the default, and Escape and the close button answer it.
YesNoCancel AskYesNoCancel(const std::string& text, QWidget* parent = nullptr);

// Runs one user command. A Failure shows its box, a run-time error the default error box with
// every byte of its text, any other std::exception (std::bad_alloc: "Out of memory") the default
// error box too; either way the command ends there. Returns true when the command ran to its end.
bool RunCommand(const std::function<void()>& command, QWidget* parent = nullptr);

// Runs a command that reports its failure elsewhere (the status bar): nothing when it ran to
// its end, else the text its box would have shown, its lines joined by "; ".
std::optional<std::string> FailureText(const std::function<void()>& command);
