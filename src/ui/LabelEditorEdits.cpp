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

std::optional<SymbolStep> TLabelEditorForm::PickedLabelStep(const std::string& newName) const {
  // The Info box shows the last label of the picked name: that one changes.
  const std::string name = ui.NameLabel->text().toLatin1().toStdString();
  if (pickedModel_ == procModel_) {
    const int32_t e = labels_.LastRomLabelNamed(name);
    if (e == LabelTables::kNone) return std::nullopt;
    return RomLabelStep(labels_, static_cast<uint32_t>(labels_.RomLabels()[e].Offset), name,
                        newName);
  }
  const int32_t e = labels_.LastRamLabelNamed(name);
  if (e == LabelTables::kNone) return std::nullopt;
  const RamLabel& label = labels_.RamLabels()[e];
  return RamLabelStep(labels_, label.Bank, label.Address, name, newName);
}

void TLabelEditorForm::RenameButtonClick() {
  if (!edit_ || pickedModel_ == nullptr) return;
  LabelTreeView* tree = pickedModel_ == procModel_ ? ui.ProcTree : ui.VarTree;
  const std::string old = ui.NameLabel->text().toLatin1().toStdString();
  std::string renamed;
  const bool done = Ask(
      "Rename Label", {{"New name (empty deletes the label):", old}},
      [&](const std::vector<std::string>& texts) {
        edit_(PickedLabelStep(texts[0]));
        renamed = texts[0];
      },
      this);
  if (done) ReloadAndPick(tree, renamed);
}

void TLabelEditorForm::DeleteButtonClick() {
  if (!edit_ || pickedModel_ == nullptr) return;
  LabelTreeView* tree = pickedModel_ == procModel_ ? ui.ProcTree : ui.VarTree;
  if (RunCommand([&] { edit_(PickedLabelStep("")); }, this)) ReloadAndPick(tree, "");
}

void TLabelEditorForm::AddRamButtonClick() {
  if (!edit_) return;
  std::string added;
  const bool done = Ask(
      "Add RAM Label", {{"Place (02:A010, or C0A0 where there are no banks):", ""}, {"Name:", ""}},
      [&](const std::vector<std::string>& texts) {
        const RamPlace place = ParseRamPlace(texts[0]);
        if (texts[1].empty()) throw ErrorFailure("Type a name for the label.");
        edit_(RamLabelStep(labels_, place.Bank, place.Address, "", texts[1]));
        added = texts[1];
      },
      this);
  if (done) ReloadAndPick(ui.VarTree, added);
}

void TLabelEditorForm::ReloadAndPick(LabelTreeView* tree, const std::string& name) {
  Reload();
  const auto* model = static_cast<LabelTreeModel*>(tree->model());
  QModelIndex at = model->IndexOfLabel(name);
  // A label the filter would hide is shown all the same: the filter gives way.
  if (!at.isValid() && !name.empty()) {
    ui.FilterEdit->clear();
    at = model->IndexOfLabel(name);
  }
  if (!at.isValid()) return;
  tree->setFocus();
  tree->scrollTo(at);
  // The selection's move picks it, as a move by the keyboard does.
  tree->selectionModel()->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect);
}
