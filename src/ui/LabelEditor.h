#pragma once
// TLabelEditorForm: the label browser. The ROM labels (procedures) and RAM labels (variables)
// of the symbol file as two trees nested at each ".", the address of the picked label, and a
// way to move the listing to a ROM label.

#include <cstdint>
#include <optional>

#include "ui/GF.h"
#include "ui_LabelEditor.h"

class LabelTables;
class QTreeWidgetItem;

class TLabelEditorForm : public TGoodForm {
  Q_OBJECT
 public:
  // The trees are built from the tables as they are now; the window never changes them.
  explicit TLabelEditorForm(const LabelTables& labels, QWidget* parent = nullptr);

  // After Show... (exec() gives Accepted): the file offset the listing is to move to.
  std::optional<int32_t> ShowTarget() const { return showTarget_; }

  void ProcTreeClick(QTreeWidgetItem* item);
  void VarTreeClick(QTreeWidgetItem* item);
  void ShowButtonClick();

 private:
  Ui::TLabelEditorForm ui;
  const LabelTables& labels_;
  std::optional<int32_t> showTarget_;
};
