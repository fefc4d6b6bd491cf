// TLabelEditorForm's edits: the picked label renamed or deleted, a RAM label added by its place.
// Each goes to the main window as one undo step; the trees are then built anew.
#include <QKeyEvent>

#include "model/Failure.h"
#include "model/Labels.h"
#include "ui/AskForm.h"
#include "ui/CoolMsg.h"
#include "ui/LabelEditor.h"
#include "ui/LabelTreeModel.h"
#include "ui/LabelTreeView.h"
#include "ui/Latin1.h"

void TLabelEditorForm::EnableEdits() {
  const bool editable = static_cast<bool>(edit_);
  ui.AddRamButton->setEnabled(editable);
  ui.RenameButton->setEnabled(editable && pickedModel_ != nullptr);
  ui.DeleteButton->setEnabled(editable && pickedModel_ != nullptr);
  ui.ReferencesButton->setEnabled(pickedModel_ != nullptr);
}

bool TLabelEditorForm::TreeEditKey(QObject* tree, const QKeyEvent* key) {
  if (!edit_ || (tree != ui.ProcTree && tree != ui.VarTree)) return false;
  if (key->modifiers() != Qt::NoModifier && key->modifiers() != Qt::KeypadModifier) return false;
  switch (key->key()) {
    case Qt::Key_F2:
      RenameButtonClick();
      return true;
    case Qt::Key_Delete:
      DeleteButtonClick();
      return true;
    case Qt::Key_Insert:
      if (tree != ui.VarTree) return false;
      AddRamButtonClick();
      return true;
    default:
      return false;
  }
}

int32_t TLabelEditorForm::PickedEntry() const {
  return pickedModel_ == nullptr ? LabelTables::kNone : pickedModel_->Tree().Entry(pickedNode_);
}

std::optional<SymbolStep> TLabelEditorForm::PickedLabelStep(const std::string& newName) const {
  // The picked node's own label changes, whatever other labels share its name.
  const int32_t e = PickedEntry();
  if (e == LabelTables::kNone) return std::nullopt;
  if (pickedModel_ == procModel_) {
    const RomLabel& label = labels_.RomLabels()[e];
    return RomLabelStep(labels_, static_cast<uint32_t>(label.Offset), label.Name, newName);
  }
  const RamLabel& label = labels_.RamLabels()[e];
  return RamLabelStep(labels_, label.Bank, label.Address, label.Name, newName);
}

void TLabelEditorForm::RenameButtonClick() {
  if (!edit_ || pickedModel_ == nullptr) return;
  LabelTreeView* tree = pickedModel_ == procModel_ ? ui.ProcTree : ui.VarTree;
  const std::string old = Utf8Bytes(ui.NameLabel->text());
  // A rename keeps the label's entry in the table; a deletion leaves nothing to pick.
  const int32_t entry = PickedEntry();
  bool deleted = false;
  const bool done = Ask(
      "Rename Label",
      {{"New name for " + Utf8(old) + " at " + ui.AddressLabel->text().section(" ", 0, 0) +
             " (empty deletes it):",
        old}},
      [&](const std::vector<std::string>& texts) {
        edit_(PickedLabelStep(texts[0]));
        deleted = texts[0].empty();
      },
      this);
  if (done) ReloadAndPick(tree, deleted ? LabelTables::kNone : entry);
}

void TLabelEditorForm::DeleteButtonClick() {
  if (!edit_ || pickedModel_ == nullptr) return;
  LabelTreeView* tree = pickedModel_ == procModel_ ? ui.ProcTree : ui.VarTree;
  if (RunCommand([&] { edit_(PickedLabelStep("")); }, this)) {
    ReloadAndPick(tree, LabelTables::kNone);
  }
}

void TLabelEditorForm::AddRamButtonClick() {
  if (!edit_) return;
  int32_t added = LabelTables::kNone;
  const bool done = Ask(
      "Add RAM Label", {{"Place (02:A010, or C0A0 where there are no banks):", ""}, {"Name:", ""}},
      [&](const std::vector<std::string>& texts) {
        const RamPlace place = ParseRamPlace(texts[0]);
        if (texts[1].empty()) throw ErrorFailure("Type a name for the label.");
        edit_(RamLabelStep(labels_, place.Bank, place.Address, "", texts[1]));
        const auto& ram = labels_.RamLabels();
        for (size_t i = 0; i < ram.size(); ++i) {
          if (ram[i].Bank == place.Bank && ram[i].Address == place.Address &&
              ram[i].Name == texts[1]) {
            added = static_cast<int32_t>(i);
          }
        }
      },
      this);
  if (done) ReloadAndPick(ui.VarTree, added);
}

void TLabelEditorForm::ReloadAndPick(LabelTreeView* tree, int32_t entry) {
  Reload();
  const auto* model = static_cast<LabelTreeModel*>(tree->model());
  QModelIndex at = model->IndexOfEntry(entry);
  // A label the filter would hide is shown all the same: the filter gives way.
  if (!at.isValid() && entry != LabelTables::kNone) {
    ui.FilterEdit->clear();
    at = model->IndexOfEntry(entry);
  }
  if (!at.isValid()) return;
  tree->setFocus();
  tree->scrollTo(at);
  // The selection's move picks it, as a move by the keyboard does.
  tree->selectionModel()->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect);
}
