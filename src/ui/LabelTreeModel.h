#pragma once
// LabelTreeModel: one tree of the label browser as an item model over the core's LabelTree, so
// that the view asks only for the rows it shows and no node owns an object of its own.

#include <QAbstractItemModel>
#include <QIcon>
#include <functional>
#include <string>
#include <vector>

#include "model/LabelTree.h"

class LabelTreeModel : public QAbstractItemModel {
  Q_OBJECT
 public:
  // The three pictures of a node: a leaf, a closed branch, an open branch.
  struct Pictures {
    QIcon leaf;
    QIcon closed;
    QIcon open;
  };
  // addressText gives the address shown in a label's tooltip.
  LabelTreeModel(LabelTree tree, std::function<std::string(std::string_view)> addressText,
                 Pictures pictures, QObject* parent = nullptr);

  const LabelTree& Tree() const { return tree_; }
  // The node of an index; LabelTree::kRoot for the invalid index.
  int32_t Node(const QModelIndex& index) const;
  // Shows only what the core's filter leaves, as one change of layout when anything changed (and
  // none otherwise): the view keeps the open branches and the selection of the nodes that stay.
  // Returns whether rows changed.
  bool Filter(const std::string& text);
  // A tree built anew (the labels changed), under the last filter text; every branch open.
  void Reload(LabelTree tree);
  // The shown branches that are not open in the view: those the last Filter brought in and
  // those the user closed, parents before their children. The window opens them after a filter.
  void ForEachBranchToOpen(const std::function<void(const QModelIndex&)>& visit) const;
  // The view opened or closed a branch: its picture follows.
  void SetOpen(const QModelIndex& index, bool open);
  // The index of the first shown node that stands for the label of that full name; invalid when
  // none is shown.
  QModelIndex IndexOfLabel(std::string_view name) const;

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  bool hasChildren(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  // The rows of every branch from the core's shown children, and each node's place among all
  // its parent's children.
  void Index();
  // The shown rows of a branch as the view knows them (kRoot for the top level); empty for a
  // leaf.
  const std::vector<int32_t>& Rows(int32_t node) const;
  // A shown node's row and index.
  int RowOf(int32_t node) const;
  QModelIndex IndexOf(int32_t node) const;

  LabelTree tree_;
  std::string filter_;
  std::function<std::string(std::string_view)> addressText_;
  Pictures pictures_;
  std::vector<bool> open_;
  size_t closed_ = 0;  // branches whose open_ is false
  // The branches the last Filter brought in, parents first.
  std::vector<int32_t> inserted_;
  // node + 1 -> its slot in rows_, -1 for a leaf; rows_[slot] is the branch's shown rows.
  std::vector<int32_t> slot_;
  std::vector<std::vector<int32_t>> rows_;
  std::vector<bool> branchShown_;  // by slot: whether the branch is shown (the root always)
  // Node -> its place among all its parent's children: the shown rows are in that order.
  std::vector<int32_t> ordinal_;
};
