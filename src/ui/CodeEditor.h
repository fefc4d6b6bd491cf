#pragma once
// TCodeEditorForm: the window in which a block of assembler is written and assembled into the
// ROM at the bank address of its "org" line. Shown modally; exec() gives Accepted when the block
// was assembled (the listing must be refilled and TakeStep() goes on the undo stack), Rejected
// when it was closed.

#include <QDialog>
#include <cstdint>
#include <string>
#include <vector>

#include "model/Edit.h"
#include "ui_CodeEditor.h"

struct AppState;

class TCodeEditorForm : public QDialog {
  Q_OBJECT
 public:
  // The editor starts with one "org" line for the bank address of startOffset.
  TCodeEditorForm(AppState& state, uint32_t startOffset, QWidget* parent = nullptr);

  void OpenButtonClick();
  void SaveButtonClick();
  void ClearButtonClick();
  void OKButtonClick();

  // After Accepted: whether the block stored any byte. OK on a block of nothing but its org
  // line assembles without touching the ROM.
  bool Stored() const { return stored_; }
  // After Accepted: the bytes that the block changed, all of its org lines in one step.
  EditStep TakeStep() { return std::move(step_); }

 public slots:
  // Closing the window (its close button; Escape does nothing here) asks before a changed text
  // is lost; while a block is being assembled it is refused, as the work would be left half seen.
  void reject() override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  std::vector<std::string> EditorLines() const;
  void SelectEditorLine(size_t index);

  Ui::TCodeEditorForm ui;
  AppState& state_;
  // The text as it was opened, loaded or last saved.
  QString keptText_;
  bool assembling_ = false;
  bool stored_ = false;
  EditStep step_;
};
