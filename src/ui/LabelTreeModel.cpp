#include "ui/LabelTreeModel.h"
#include "ui/Latin1.h"


LabelTreeModel::LabelTreeModel(LabelTree tree,
                               std::function<std::string(std::string_view)> addressText,
                               Pictures pictures, QObject* parent)
    : QAbstractItemModel(parent),
      tree_(std::move(tree)),
      addressText_(std::move(addressText)),
      pictures_(std::move(pictures)),
      open_(static_cast<size_t>(tree_.Size()), true) {}

int32_t LabelTreeModel::Node(const QModelIndex& index) const {
  return index.isValid() ? static_cast<int32_t>(index.internalId()) : LabelTree::kRoot;
}

void LabelTreeModel::Filter(const std::string& text) {
  beginResetModel();
  tree_.Filter(text);
  open_.assign(open_.size(), true);
  endResetModel();
}

void LabelTreeModel::SetOpen(const QModelIndex& index, bool open) {
  if (!index.isValid()) return;
  open_[static_cast<size_t>(Node(index))] = open;
  emit dataChanged(index, index, {Qt::DecorationRole});
}

QModelIndex LabelTreeModel::index(int row, int column, const QModelIndex& parent) const {
  const auto children = tree_.ShownChildren(Node(parent));
  if (column != 0 || row < 0 || static_cast<size_t>(row) >= children.size()) return {};
  return createIndex(row, 0, static_cast<quintptr>(children[static_cast<size_t>(row)]));
}

QModelIndex LabelTreeModel::parent(const QModelIndex& child) const {
  const int32_t up = child.isValid() ? tree_.Parent(Node(child)) : LabelTree::kRoot;
  if (up == LabelTree::kRoot) return {};
  return createIndex(tree_.Row(up), 0, static_cast<quintptr>(up));
}

int LabelTreeModel::rowCount(const QModelIndex& parent) const {
  if (parent.column() > 0) return 0;
  return static_cast<int>(tree_.ShownChildren(Node(parent)).size());
}

int LabelTreeModel::columnCount(const QModelIndex&) const {
  return 1;
}

QVariant LabelTreeModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const int32_t node = Node(index);
  switch (role) {
    case Qt::DisplayRole:
      return Latin1(tree_.Text(node));
    case Qt::DecorationRole:
      if (tree_.Children(node).empty()) return pictures_.leaf;
      return open_[static_cast<size_t>(node)] ? pictures_.open : pictures_.closed;
    case Qt::ToolTipRole: {
      const std::string name = tree_.FullName(node);
      if (!tree_.IsLabel(node)) return Latin1(name);
      return Latin1(name + "\n" + addressText_(name));
    }
    default:
      return {};
  }
}

Qt::ItemFlags LabelTreeModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  // Saying so spares the view its bookkeeping of open branches for every leaf.
  const Qt::ItemFlags leaf =
      tree_.Children(Node(index)).empty() ? Qt::ItemNeverHasChildren : Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | leaf;
}
