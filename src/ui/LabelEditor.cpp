#include "ui/LabelEditor.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QStyle>
#include <string>

#include "model/LabelTree.h"
#include "model/Labels.h"
#include "ui/LabelTreeModel.h"
#include "ui/Latin1.h"

namespace {

QFont TreeFont() {
  QFont font;
  font.setFamilies({"Courier New", "Liberation Mono"});
  font.setStyleHint(QFont::TypeWriter);
  font.setPixelSize(13);
  return font;
}

void SetUpTree(LabelTreeView* tree, LabelTreeModel* model) {
  tree->setFont(TreeFont());
  // Every branch starts open.
  tree->setModel(model);
}

}  // namespace

TLabelEditorForm::TLabelEditorForm(const LabelTables& labels, const std::string& symFileName,
                                   QWidget* parent, Edit edit)
    : TGoodForm(parent), labels_(labels), edit_(std::move(edit)) {
  ui.setupUi(this);
  if (!symFileName.empty()) {
    setWindowTitle("Labels - " + QFileInfo(QFile::decodeName(symFileName.c_str())).fileName());
  }
  FormCreate();

  ui.HintLabel->setBackgroundRole(QPalette::ToolTipBase);
  ui.HintLabel->setForegroundRole(QPalette::ToolTipText);

  // One picture per kind of node, shared by every node of both trees.
  const LabelTreeModel::Pictures pictures{style()->standardIcon(QStyle::SP_FileIcon),
                                          style()->standardIcon(QStyle::SP_DirClosedIcon),
                                          style()->standardIcon(QStyle::SP_DirOpenIcon)};
  procModel_ = new LabelTreeModel(
      BuildRomLabelTree(labels_),
      [this](int32_t entry) { return RomEntryText(entry); }, pictures, this);
  varModel_ = new LabelTreeModel(
      BuildRamLabelTree(labels_),
      [this](int32_t entry) { return RamEntryAddressText(labels_, entry); }, pictures, this);
  SetUpTree(ui.ProcTree, procModel_);
  SetUpTree(ui.VarTree, varModel_);

  // A pick is a click or a move of the selection by the keyboard. Focus alone picks nothing,
  // and a click on the picked ROM label after a RAM pick picks it again.
  connect(ui.ProcTree, &LabelTreeView::clicked, this, &TLabelEditorForm::ProcTreeClick);
  connect(ui.ProcTree->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { ProcTreeClick(ui.ProcTree->currentIndex()); });
  connect(ui.VarTree, &LabelTreeView::clicked, this, &TLabelEditorForm::VarTreeClick);
  connect(ui.VarTree->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { VarTreeClick(ui.VarTree->currentIndex()); });
  connect(ui.ProcTree, &LabelTreeView::doubleClicked, this, &TLabelEditorForm::ProcTreeActivate);
  ui.ProcTree->installEventFilter(this);
  // A clear button of its own: the line edit's own fades in and out, a dozen repaints a key.
  QAction* clear = ui.FilterEdit->addAction(style()->standardIcon(QStyle::SP_LineEditClearButton),
                                            QLineEdit::TrailingPosition);
  clear->setObjectName("ClearFilter");
  clear->setVisible(false);
  connect(clear, &QAction::triggered, ui.FilterEdit, &QLineEdit::clear);
  connect(ui.FilterEdit, &QLineEdit::textChanged, clear,
          [clear](const QString& text) { clear->setVisible(!text.isEmpty()); });
  ui.FilterEdit->installEventFilter(this);
  connect(ui.FilterEdit, &QLineEdit::textChanged, this, &TLabelEditorForm::FilterEditChange);
  connect(ui.ShowButton, &QPushButton::clicked, this, &TLabelEditorForm::ShowButtonClick);
  connect(ui.ReferencesButton, &QPushButton::clicked, this,
          &TLabelEditorForm::ReferencesButtonClick);
  connect(ui.FlatButton1, &QPushButton::clicked, this, &TLabelEditorForm::reject);
  ui.VarTree->installEventFilter(this);
  connect(ui.RenameButton, &QPushButton::clicked, this, &TLabelEditorForm::RenameButtonClick);
  connect(ui.DeleteButton, &QPushButton::clicked, this, &TLabelEditorForm::DeleteButtonClick);
  connect(ui.AddRamButton, &QPushButton::clicked, this, &TLabelEditorForm::AddRamButtonClick);
  EnableEdits();
}

void TLabelEditorForm::ProcTreeClick(const QModelIndex& index) {
  const int32_t node = procModel_->Node(index);
  if (node == LabelTree::kRoot || !procModel_->Tree().IsLabel(node)) return;
  // The label's own name: a number's node sits under the constants heading.
  const int32_t entry = procModel_->Tree().Entry(node);
  ui.NameLabel->setText(Utf8(labels_.RomLabels()[static_cast<size_t>(entry)].Name));
  ui.AddressLabel->setText(Latin1(RomEntryText(entry)));
  ui.ShowButton->setEnabled(true);
  pickedModel_ = procModel_;
  pickedNode_ = node;
  EnableEdits();
}

void TLabelEditorForm::VarTreeClick(const QModelIndex& index) {
  const int32_t node = varModel_->Node(index);
  if (node == LabelTree::kRoot || !varModel_->Tree().IsLabel(node)) return;
  const std::string name = varModel_->Tree().FullName(node);
  ui.NameLabel->setText(Utf8(name));
  ui.AddressLabel->setText(Latin1(RamEntryAddressText(labels_, varModel_->Tree().Entry(node))));
  ui.ShowButton->setEnabled(false);
  pickedModel_ = varModel_;
  pickedNode_ = node;
  EnableEdits();
}

void TLabelEditorForm::ShowButtonClick() {
  // The picked node's own label: of two labels of one name, the one picked.
  const int32_t index = pickedModel_ == procModel_ ? PickedEntry() : LabelTables::kNone;
  if (index != LabelTables::kNone) showTarget_ = labels_.RomLabels()[index].Offset;
  accept();
}

std::string TLabelEditorForm::RomEntryText(int32_t entry) const {
  std::string text = RomEntryAddressText(labels_, entry);
  if (classOf_ && entry >= 0 && static_cast<size_t>(entry) < labels_.RomLabels().size() &&
      !IsConstantLabel(labels_.RomLabels()[static_cast<size_t>(entry)].Offset,
                       labels_.RomLabels()[static_cast<size_t>(entry)].Name)) {
    text += "  " + classOf_(static_cast<uint32_t>(labels_.RomLabels()[static_cast<size_t>(entry)].Offset));
  }
  return text;
}

void TLabelEditorForm::ReferencesButtonClick() {
  if (pickedModel_ == nullptr) return;
  const int32_t index = PickedEntry();
  if (index == LabelTables::kNone) return;
  if (pickedModel_ == procModel_) {
    referencesTarget_ = RefPlace{static_cast<uint32_t>(labels_.RomLabels()[index].Offset),
                                 RefSpace::Rom};
  } else {
    referencesTarget_ = RefPlace{labels_.RamLabels()[index].Address, RefSpace::Ram};
  }
  accept();
}

void TLabelEditorForm::FilterEditChange(const QString& text) {
  const std::string filter = Utf8Bytes(text);
  // Every shown branch open afterwards: the ones the filter brought in, and any the user closed.
  procModel_->Filter(filter);
  varModel_->Filter(filter);
  ForgetHiddenPick();
}

void TLabelEditorForm::Reload() {
  procModel_->Reload(BuildRomLabelTree(labels_));
  varModel_->Reload(BuildRamLabelTree(labels_));
  // The picked node's number belongs to the old tree.
  ForgetPick();
}

void TLabelEditorForm::ForgetHiddenPick() {
  if (pickedModel_ == nullptr || pickedModel_->Tree().Shown(pickedNode_)) return;
  ForgetPick();
}

void TLabelEditorForm::ForgetPick() {
  pickedModel_ = nullptr;
  ui.NameLabel->clear();
  ui.AddressLabel->clear();
  ui.ShowButton->setEnabled(false);
  EnableEdits();
}

void TLabelEditorForm::FilterEditDown() {
  for (LabelTreeView* tree : {ui.ProcTree, ui.VarTree}) {
    if (tree->model()->rowCount() == 0) continue;
    tree->setFocus();
    // Focus may already have made the first row current, without selecting it.
    const QModelIndex at =
        tree->currentIndex().isValid() ? tree->currentIndex() : tree->model()->index(0, 0);
    tree->selectionModel()->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect);
    // Arriving on a label picks it, as the keyboard's moves in the tree do.
    if (tree == ui.ProcTree) {
      ProcTreeClick(tree->currentIndex());
    } else {
      VarTreeClick(tree->currentIndex());
    }
    return;
  }
}

void TLabelEditorForm::ProcTreeActivate(const QModelIndex& index) {
  const int32_t node = procModel_->Node(index);
  if (node == LabelTree::kRoot || !procModel_->Tree().IsLabel(node)) return;
  ProcTreeClick(index);
  ShowButtonClick();
}

bool TLabelEditorForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ui.ProcTree && event->type() == QEvent::KeyPress &&
      IsEnterKey(static_cast<QKeyEvent*>(event))) {
    ProcTreeActivate(ui.ProcTree->currentIndex());
    return true;
  }
  if (event->type() == QEvent::KeyPress && TreeEditKey(watched, static_cast<QKeyEvent*>(event))) {
    return true;
  }
  if (watched == ui.FilterEdit && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Down) {
    FilterEditDown();
    return true;
  }
  return TGoodForm::eventFilter(watched, event);
}
