#include "ui/LabelEditor.h"

#include <QStyle>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <string>
#include <vector>

#include "model/LabelTree.h"
#include "model/Labels.h"

namespace {

constexpr int kRowHeight = 20;

QString Latin1(const std::string& s) {
  return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

// Rows of one height whatever the font and icons ask for.
class RowDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return {QStyledItemDelegate::sizeHint(option, index).width(), kRowHeight};
  }
};

QFont TreeFont() {
  QFont font;
  font.setFamilies({"Courier New", "Liberation Mono"});
  font.setStyleHint(QFont::TypeWriter);
  font.setPixelSize(13);
  return font;
}

// The label names are joined at "." from the top level down.
std::string FullPath(const QTreeWidgetItem* item) {
  std::string path = item->text(0).toLatin1().toStdString();
  for (const QTreeWidgetItem* up = item->parent(); up; up = up->parent()) {
    path = up->text(0).toLatin1().toStdString() + "." + path;
  }
  return path;
}

void UpdateIcon(QTreeWidgetItem* item) {
  if (item->childCount() == 0) {
    item->setIcon(0, item->treeWidget()->style()->standardIcon(QStyle::SP_FileIcon));
  } else {
    item->setIcon(0, item->treeWidget()->style()->standardIcon(
                         item->isExpanded() ? QStyle::SP_DirOpenIcon : QStyle::SP_DirClosedIcon));
  }
}

void AddNodes(QTreeWidget* tree, QTreeWidgetItem* parent, const std::vector<LabelTreeNode>& nodes) {
  for (const LabelTreeNode& node : nodes) {
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree);
    item->setText(0, Latin1(node.Text));
    AddNodes(tree, item, node.Children);
  }
}

void FillTree(QTreeWidget* tree, const std::vector<LabelTreeNode>& nodes) {
  tree->setFont(TreeFont());
  tree->setItemDelegate(new RowDelegate(tree));
  AddNodes(tree, nullptr, nodes);
  tree->expandAll();
  for (QTreeWidgetItemIterator it(tree); *it; ++it) UpdateIcon(*it);
  QObject::connect(tree, &QTreeWidget::itemExpanded, tree, UpdateIcon);
  QObject::connect(tree, &QTreeWidget::itemCollapsed, tree, UpdateIcon);
}

}  // namespace

TLabelEditorForm::TLabelEditorForm(const LabelTables& labels, QWidget* parent)
    : TGoodForm(parent), labels_(labels) {
  ui.setupUi(this);
  FormCreate();

  ui.HintLabel->setBackgroundRole(QPalette::ToolTipBase);
  ui.HintLabel->setForegroundRole(QPalette::ToolTipText);

  FillTree(ui.ProcTree, BuildRomLabelTree(labels_));
  FillTree(ui.VarTree, BuildRamLabelTree(labels_));

  // A pick is a click or a move of the selection by the keyboard. Focus alone picks nothing,
  // and a click on the picked ROM leaf after a RAM pick picks it again.
  connect(ui.ProcTree, &QTreeWidget::itemClicked, this, &TLabelEditorForm::ProcTreeClick);
  connect(ui.ProcTree, &QTreeWidget::itemSelectionChanged, this,
          [this] { ProcTreeClick(ui.ProcTree->currentItem()); });
  connect(ui.VarTree, &QTreeWidget::itemClicked, this, &TLabelEditorForm::VarTreeClick);
  connect(ui.VarTree, &QTreeWidget::itemSelectionChanged, this,
          [this] { VarTreeClick(ui.VarTree->currentItem()); });
  connect(ui.ShowButton, &QPushButton::clicked, this, &TLabelEditorForm::ShowButtonClick);
  connect(ui.FlatButton1, &QPushButton::clicked, this, &TLabelEditorForm::reject);
}

void TLabelEditorForm::ProcTreeClick(QTreeWidgetItem* item) {
  if (!item || item->childCount() > 0) return;
  const std::string name = FullPath(item);
  ui.NameLabel->setText(Latin1(name));
  ui.AddressLabel->setText(Latin1(RomLabelAddressText(labels_, name)));
  ui.ShowButton->setEnabled(true);
}

void TLabelEditorForm::VarTreeClick(QTreeWidgetItem* item) {
  if (!item || item->childCount() > 0) return;
  const std::string name = FullPath(item);
  ui.NameLabel->setText(Latin1(name));
  ui.AddressLabel->setText(Latin1(RamLabelAddressText(labels_, name)));
  ui.ShowButton->setEnabled(false);
}

void TLabelEditorForm::ShowButtonClick() {
  const int32_t index = labels_.LastRomLabelNamed(ui.NameLabel->text().toLatin1().toStdString());
  if (index != LabelTables::kNone) showTarget_ = labels_.RomLabels()[index].Offset;
  accept();
}
