#include "ui/LabelTreeModel.h"

#include <algorithm>

#include "ui/Latin1.h"

namespace {
const std::vector<int32_t> kNoRows;
}  // namespace

LabelTreeModel::LabelTreeModel(LabelTree tree,
                               std::function<std::string(std::string_view)> addressText,
                               Pictures pictures, QObject* parent)
    : QAbstractItemModel(parent),
      tree_(std::move(tree)),
      addressText_(std::move(addressText)),
      pictures_(std::move(pictures)) {
  Index();
}

void LabelTreeModel::Index() {
  const auto size = static_cast<size_t>(tree_.Size());
  open_.assign(size, true);
  closed_ = 0;
  inserted_.clear();
  slot_.assign(size + 1, -1);
  rows_.clear();
  branchShown_.clear();
  ordinal_.assign(size, 0);
  for (int32_t node = LabelTree::kRoot; node < tree_.Size(); ++node) {
    const std::vector<int32_t>& children = tree_.Children(node);
    for (size_t i = 0; i < children.size(); ++i) {
      ordinal_[static_cast<size_t>(children[i])] = static_cast<int32_t>(i);
    }
    if (node != LabelTree::kRoot && children.empty()) continue;
    slot_[static_cast<size_t>(node + 1)] = static_cast<int32_t>(rows_.size());
    const auto shown = tree_.ShownChildren(node);
    rows_.emplace_back(shown.begin(), shown.end());
    branchShown_.push_back(node == LabelTree::kRoot || tree_.Shown(node));
  }
}

int32_t LabelTreeModel::Node(const QModelIndex& index) const {
  return index.isValid() ? static_cast<int32_t>(index.internalId()) : LabelTree::kRoot;
}

const std::vector<int32_t>& LabelTreeModel::Rows(int32_t node) const {
  const int32_t slot = slot_[static_cast<size_t>(node + 1)];
  return slot < 0 ? kNoRows : rows_[static_cast<size_t>(slot)];
}

int LabelTreeModel::RowOf(int32_t node) const {
  const std::vector<int32_t>& rows = Rows(tree_.Parent(node));
  const auto at = std::lower_bound(rows.begin(), rows.end(), ordinal_[static_cast<size_t>(node)],
                                   [this](int32_t row, int32_t ordinal) {
                                     return ordinal_[static_cast<size_t>(row)] < ordinal;
                                   });
  return static_cast<int>(at - rows.begin());
}

QModelIndex LabelTreeModel::IndexOf(int32_t node) const {
  if (node == LabelTree::kRoot) return {};
  return createIndex(RowOf(node), 0, static_cast<quintptr>(node));
}

QModelIndex LabelTreeModel::IndexOfLabel(std::string_view name) const {
  for (int32_t node = 0; node < tree_.Size(); ++node) {
    if (tree_.IsLabel(node) && tree_.Shown(node) && tree_.FullName(node) == name) {
      return IndexOf(node);
    }
  }
  return {};
}

bool LabelTreeModel::Filter(const std::string& text) {
  filter_ = text;
  inserted_.clear();
  if (!tree_.Filter(text)) return false;
  // One change of layout rather than a signal per run of rows that come or go: a keystroke may
  // take thousands of runs out of a tree of 50,000 labels, and the view lays itself out anew
  // after either. Its open branches and selection follow their nodes; those of hidden nodes go.
  emit layoutAboutToBeChanged({}, QAbstractItemModel::NoLayoutChangeHint);
  const QModelIndexList before = persistentIndexList();
  std::vector<int32_t> nodes;
  nodes.reserve(static_cast<size_t>(before.size()));
  for (const QModelIndex& index : before) nodes.push_back(Node(index));
  for (int32_t node = LabelTree::kRoot; node < tree_.Size(); ++node) {
    const int32_t slot = slot_[static_cast<size_t>(node + 1)];
    if (slot < 0) continue;
    const bool shown = node == LabelTree::kRoot || tree_.Shown(node);
    if (shown && !branchShown_[static_cast<size_t>(slot)]) inserted_.push_back(node);
    branchShown_[static_cast<size_t>(slot)] = shown;
    const auto rows = tree_.ShownChildren(node);
    rows_[static_cast<size_t>(slot)].assign(rows.begin(), rows.end());
  }
  QModelIndexList after;
  after.reserve(before.size());
  for (int32_t node : nodes) after.push_back(tree_.Shown(node) ? IndexOf(node) : QModelIndex());
  changePersistentIndexList(before, after);
  emit layoutChanged({}, QAbstractItemModel::NoLayoutChangeHint);
  return true;
}

void LabelTreeModel::Reload(LabelTree tree) {
  beginResetModel();
  tree_ = std::move(tree);
  tree_.Filter(filter_);
  Index();
  endResetModel();
}

void LabelTreeModel::ForEachBranchToOpen(
    const std::function<void(const QModelIndex&)>& visit) const {
  if (closed_ == 0) {
    for (int32_t branch : inserted_) visit(IndexOf(branch));
    return;
  }
  const std::function<void(int32_t)> walk = [&](int32_t branch) {
    const std::vector<int32_t>& rows = Rows(branch);
    for (size_t row = 0; row < rows.size(); ++row) {
      if (slot_[static_cast<size_t>(rows[row] + 1)] < 0) continue;
      visit(createIndex(static_cast<int>(row), 0, static_cast<quintptr>(rows[row])));
      walk(rows[row]);
    }
  };
  walk(LabelTree::kRoot);
}

void LabelTreeModel::SetOpen(const QModelIndex& index, bool open) {
  if (!index.isValid()) return;
  const auto node = static_cast<size_t>(Node(index));
  if (open_[node] == open) return;
  open_[node] = open;
  closed_ = open ? closed_ - 1 : closed_ + 1;
  emit dataChanged(index, index, {Qt::DecorationRole});
}

QModelIndex LabelTreeModel::index(int row, int column, const QModelIndex& parent) const {
  const std::vector<int32_t>& rows = Rows(Node(parent));
  if (column != 0 || row < 0 || static_cast<size_t>(row) >= rows.size()) return {};
  return createIndex(row, 0, static_cast<quintptr>(rows[static_cast<size_t>(row)]));
}

QModelIndex LabelTreeModel::parent(const QModelIndex& child) const {
  return child.isValid() ? IndexOf(tree_.Parent(Node(child))) : QModelIndex();
}

int LabelTreeModel::rowCount(const QModelIndex& parent) const {
  if (parent.column() > 0) return 0;
  return static_cast<int>(Rows(Node(parent)).size());
}

int LabelTreeModel::columnCount(const QModelIndex&) const {
  return 1;
}

bool LabelTreeModel::hasChildren(const QModelIndex& parent) const {
  return parent.column() <= 0 && !Rows(Node(parent)).empty();
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
  const Qt::ItemFlags leaf = slot_[static_cast<size_t>(Node(index) + 1)] < 0
                                 ? Qt::ItemNeverHasChildren
                                 : Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | leaf;
}
