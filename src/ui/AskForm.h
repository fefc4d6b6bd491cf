#pragma once
// TAskForm: the small dialog that the label, comment and mark commands ask through: one or two
// captioned lines of text and OK / Cancel. OK runs the command's check with what was typed; a
// Failure there shows its box and leaves the dialog open for a correction.

#include <functional>
#include <string>
#include <vector>

#include "ui/GF.h"
#include "ui_AskForm.h"

class TAskForm : public TGoodForm {
  Q_OBJECT
 public:
  struct Field {
    QString Caption;
    std::string Text;  // what the line starts with (UTF-8), selected
  };
  // What the typed texts would do, shown under a single field as they change; may throw, and
  // then shows nothing (the refusal comes with OK).
  using Preview = std::function<std::string(const std::vector<std::string>&)>;
  // One or two fields. `accept` gets the texts (UTF-8, as names and comments are kept) and may
  // throw.
  TAskForm(const QString& title, const std::vector<Field>& fields,
           std::function<void(const std::vector<std::string>&)> accept, QWidget* parent = nullptr,
           Preview preview = {});

 private:
  void OKButtonClick();
  std::vector<std::string> Texts() const;
  void ShowPreview();

  Ui::TAskForm ui;
  std::function<void(const std::vector<std::string>&)> accept_;
  Preview preview_;
  int fieldCount_;
};

// Asks and runs `accept` as above; false when the user cancelled.
bool Ask(const QString& title, const std::vector<TAskForm::Field>& fields,
         const std::function<void(const std::vector<std::string>&)>& accept, QWidget* parent,
         const TAskForm::Preview& preview = {});
