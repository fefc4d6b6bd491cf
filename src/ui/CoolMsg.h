#pragma once
// The program's three message boxes, the default error box, the unsaved-changes question, and
// the wrapper that runs a user command and turns its failure into the right box.

#include <functional>
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
// answer Cancel).
SaveAnswer AskSaveChanges(const std::string& fileName, QWidget* parent = nullptr);

// Runs one user command. A Failure shows its box, a run-time error the default error box; either
// way the command ends there. Returns true when the command ran to its end.
bool RunCommand(const std::function<void()>& command, QWidget* parent = nullptr);
