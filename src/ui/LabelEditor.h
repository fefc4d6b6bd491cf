#pragma once
// TLabelEditorForm: the label browser. The ROM labels (procedures) and RAM labels (variables)
// of the symbol file as two trees nested at each ".", narrowed by a filter text, the address of
// the picked label, and a way to move the listing to a ROM label. Given a way to make undo steps,
// it renames (F2) and deletes (Del) the picked label and adds RAM labels by address (Insert).

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "analysis/References.h"
#include "model/SymbolEdit.h"

#include "ui/GF.h"
#include "ui_LabelEditor.h"

class LabelTables;
class LabelTreeModel;
class QKeyEvent;
class QModelIndex;

class TLabelEditorForm : public TGoodForm {
  Q_OBJECT
 public:
  // Takes a step of the user's into the tables (as an undo step); nullopt changes nothing.
  using Edit = std::function<void(const std::optional<SymbolStep>&)>;
  // The trees are built from the tables as they are now; without `edit` the window never
  // changes them. symFileName is the file they were read from ("" for none): its base name is
  // in the title.
  TLabelEditorForm(const LabelTables& labels, const std::string& symFileName,
                   QWidget* parent = nullptr, Edit edit = {});

  // The tables changed (a label added, renamed or deleted): both trees built anew under the
  // filter text, every branch open; the pick is forgotten.
  void Reload();

  // After Show... (exec() gives Accepted): the file offset the listing is to move to.
  std::optional<int32_t> ShowTarget() const { return showTarget_; }
  // ROM labels show what the trace made of their place ("code, traced from 00:0150") after their
  // address, in the Info box and the tree's tooltips.
  void ShowClasses(std::function<std::string(uint32_t offset)> classOf) { classOf_ = std::move(classOf); }

  // After References (exec() gives Accepted): the ROM or RAM place whose references to list.
  std::optional<RefPlace> ReferencesTarget() const { return referencesTarget_; }

  void ProcTreeClick(const QModelIndex& index);
  void VarTreeClick(const QModelIndex& index);
  void ShowButtonClick();
  void ReferencesButtonClick();
  void FilterEditChange(const QString& text);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Double-click or Enter on a ROM label: pick it and Show... .
  void ProcTreeActivate(const QModelIndex& index);
  // A ROM label's address, and its class when ShowClasses gave a way to tell it.
  std::string RomEntryText(int32_t entry) const;
  // Empties the Info box, and disables Show..., when the filter hides the picked label.
  void ForgetHiddenPick();
  void ForgetPick();
  // Down in the filter box: into the first tree that shows anything.
  void FilterEditDown();

  // The edits (LabelEditorEdits.cpp). Rename... (F2) and Delete (Del) act on the picked label,
  // Add RAM... (Insert in the RAM tree) asks for a place and a name.
  void RenameButtonClick();
  void DeleteButtonClick();
  void AddRamButtonClick();
  // F2, Del or Insert on a tree; true when taken.
  bool TreeEditKey(QObject* tree, const QKeyEvent* key);
  // The buttons follow the pick.
  void EnableEdits();
  // The table entry of the picked label; kNone without a pick.
  int32_t PickedEntry() const;
  // The step that gives the picked label a new name ("" deletes it).
  std::optional<SymbolStep> PickedLabelStep(const std::string& newName) const;
  // After an edit: both trees anew, and the label of that table entry picked in the tree (kNone:
  // none).
  void ReloadAndPick(LabelTreeView* tree, int32_t entry);

  Ui::TLabelEditorForm ui;
  const LabelTables& labels_;
  Edit edit_;
  LabelTreeModel* procModel_;
  LabelTreeModel* varModel_;
  std::optional<int32_t> showTarget_;
  std::optional<RefPlace> referencesTarget_;
  std::function<std::string(uint32_t)> classOf_;
  // The picked label's tree and node; no tree before the first pick.
  const LabelTreeModel* pickedModel_ = nullptr;
  int32_t pickedNode_ = -1;
};
