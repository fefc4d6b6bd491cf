#include "ui/LabelTreeModel.h"

#include "ui/Latin1.h"

LabelTreeModel::LabelTreeModel(LabelTree tree,
                               std::function<std::string(int32_t)> addressText,
                               Pictures pictures, QObject* parent)
    : QAbstractItemModel(parent),
      tree_(std::move(tree)),
      addressText_(std::move(addressText)),
      pictures_(std::move(pictures)) {}

int32_t LabelTreeModel::Node(const QModelIndex& index) const {
  return index.isValid() ? static_cast<int32_t>(index.internalId()) : LabelTree::kRoot;
}

QModelIndex LabelTreeModel::IndexOf(int32_t node) const {
  if (node == LabelTree::kRoot) return {};
  return createIndex(tree_.Row(node), 0, static_cast<quintptr>(node));
}

const QIcon& LabelTreeModel::Picture(int32_t node) const {
  if (tree_.Children(node).empty()) return pictures_.leaf;
  return tree_.IsOpen(node) ? pictures_.open : pictures_.closed;
}

QModelIndex LabelTreeModel::IndexOfEntry(int32_t entry) const {
  for (int32_t node = 0; node < tree_.Size(); ++node) {
    if (tree_.Entry(node) == entry) return tree_.Shown(node) ? IndexOf(node) : QModelIndex();
  }
  return {};
}

bool LabelTreeModel::Filter(const std::string& text) {
  filter_ = text;
  if (!tree_.Filter(text)) return false;
  // One change of layout rather than a signal per run of rows that come or go: a keystroke may
  // take thousands of runs out of a tree of 50,000 labels. The listeners see the old rows until
  // the new ones are in; the persistent indexes (selection, current row) follow their nodes, and
  // those of hidden nodes go.
  tree_.SwapLastFilter();
  emit layoutAboutToBeChanged({}, QAbstractItemModel::NoLayoutChangeHint);
  const QModelIndexList before = persistentIndexList();
  tree_.SwapLastFilter();
  QModelIndexList after;
  after.reserve(before.size());
  for (const QModelIndex& index : before) {
    const int32_t node = Node(index);
    after.push_back(tree_.Shown(node) ? IndexOf(node) : QModelIndex());
  }
  changePersistentIndexList(before, after);
  emit layoutChanged({}, QAbstractItemModel::NoLayoutChangeHint);
  return true;
}

void LabelTreeModel::Reload(LabelTree tree) {
  beginResetModel();
  tree_ = std::move(tree);
  tree_.Filter(filter_);
  endResetModel();
}

bool LabelTreeModel::SetOpen(const QModelIndex& index, bool open) {
  if (!index.isValid() || !tree_.SetOpen(Node(index), open)) return false;
  emit dataChanged(index, index, {Qt::DecorationRole});
  return true;
}

bool LabelTreeModel::OpenAll() {
  // Many pictures may change: a view repaints everything after opening all.
  return tree_.OpenAll();
}

QModelIndex LabelTreeModel::index(int row, int column, const QModelIndex& parent) const {
  const auto rows = tree_.ShownChildren(Node(parent));
  if (column != 0 || row < 0 || static_cast<size_t>(row) >= rows.size()) return {};
  return createIndex(row, 0, static_cast<quintptr>(rows[static_cast<size_t>(row)]));
}

QModelIndex LabelTreeModel::parent(const QModelIndex& child) const {
  return child.isValid() ? IndexOf(tree_.Parent(Node(child))) : QModelIndex();
}

int LabelTreeModel::rowCount(const QModelIndex& parent) const {
  if (parent.column() > 0) return 0;
  return static_cast<int>(tree_.ShownChildren(Node(parent)).size());
}

int LabelTreeModel::columnCount(const QModelIndex&) const {
  return 1;
}

bool LabelTreeModel::hasChildren(const QModelIndex& parent) const {
  return parent.column() <= 0 && !tree_.ShownChildren(Node(parent)).empty();
}

QVariant LabelTreeModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const int32_t node = Node(index);
  switch (role) {
    case Qt::DisplayRole:
      return Utf8(tree_.Text(node));
    case Qt::DecorationRole:
      return Picture(node);
    case Qt::ToolTipRole: {
      const std::string name = tree_.FullName(node);
      if (!tree_.IsLabel(node)) return Utf8(name);
      return Utf8(name + "\n" + addressText_(tree_.Entry(node)));
    }
    default:
      return {};
  }
}

Qt::ItemFlags LabelTreeModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  const Qt::ItemFlags leaf =
      tree_.Children(Node(index)).empty() ? Qt::ItemNeverHasChildren : Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | leaf;
}
