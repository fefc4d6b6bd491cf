#pragma once
// LabelTreeModel: one tree of the label browser as an item model over the core's LabelTree, so
// that a view asks only for the rows it shows and no node owns an object of its own. The core
// also keeps which branches are open, for LabelTreeView's lines and the pictures.

#include <QAbstractItemModel>
#include <QIcon>
#include <functional>
#include <string>

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
  // addressText gives the address shown in a label's tooltip, from its table entry.
  LabelTreeModel(LabelTree tree, std::function<std::string(int32_t)> addressText,
                 Pictures pictures, QObject* parent = nullptr);

  const LabelTree& Tree() const { return tree_; }
  // The node of an index; LabelTree::kRoot for the invalid index.
  int32_t Node(const QModelIndex& index) const;
  // A shown node's index; invalid for kRoot.
  QModelIndex IndexOf(int32_t node) const;
  // The node's picture, as the DecorationRole gives it.
  const QIcon& Picture(int32_t node) const;
  // Shows only what the core's filter leaves, every branch open, as one change of layout when
  // anything changed (and none otherwise): the selection of the nodes that stay stays. Returns
  // whether rows or open branches changed.
  bool Filter(const std::string& text);
  // A tree built anew (the labels changed), under the last filter text; every branch open.
  void Reload(LabelTree tree);
  // Opens or closes a branch (its picture follows); returns whether it was not so already.
  bool SetOpen(const QModelIndex& index, bool open);
  // Opens every branch; returns whether one was closed.
  bool OpenAll();
  // The index of the node of that table entry; invalid when it is not shown.
  QModelIndex IndexOfEntry(int32_t entry) const;

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  bool hasChildren(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  LabelTree tree_;
  std::string filter_;
  std::function<std::string(int32_t)> addressText_;
  Pictures pictures_;
};
