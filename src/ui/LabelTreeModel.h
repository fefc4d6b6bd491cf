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
  // Shows only what the core's filter leaves; every branch counts as open again.
  void Filter(const std::string& text);
  // The view opened or closed a branch: its picture follows.
  void SetOpen(const QModelIndex& index, bool open);

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  LabelTree tree_;
  std::function<std::string(std::string_view)> addressText_;
  Pictures pictures_;
  std::vector<bool> open_;
};
