#pragma once
// The label browser's view of a label table: names nested at each ".", the nodes that a filter
// text leaves, and the address texts shown for a picked label.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/Labels.h"

// The nodes of one tree in one flat table: a node's parent always comes before it, and the
// children of a node keep the order in which the names came. Nothing is sorted.
class LabelTree {
 public:
  // The invisible root that holds the top-level nodes.
  static constexpr int32_t kRoot = -1;

  // Inserts each name in order. The parts before each "." become branches (the first child with
  // the same text is reused, a leaf turning into a branch if need be), the last part a new leaf
  // even if a leaf of that text exists; a name that only branches have had so far names the
  // first such branch. A "." splits only between two texts: ".init" and "trail." are top-level
  // leaves, ".a.b" a branch ".a" with the leaf "b", "a..b" a branch "a" with the leaf ".b".
  explicit LabelTree(const std::vector<std::string_view>& names);

  int32_t Size() const { return static_cast<int32_t>(nodes_.size()); }
  const std::string& Text(int32_t node) const { return nodes_[node].text; }
  int32_t Parent(int32_t node) const { return nodes_[node].parent; }
  // 0 for a top-level node.
  int32_t Depth(int32_t node) const { return nodes_[node].depth; }
  // True when the node's full name is one of the names: every leaf, and a branch such as the
  // routine "Init" of the names "Init" and "Init.loop".
  bool IsLabel(int32_t node) const { return nodes_[node].isLabel; }
  // The texts from the top level down to the node, joined by ".".
  std::string FullName(int32_t node) const;
  // All children, shown or not.
  const std::vector<int32_t>& Children(int32_t node) const;

  // Shows the labels whose full name contains the text, letter case ignored (ASCII and
  // Latin-1), with the branches that lead to them; the empty text shows every node. Returns
  // whether the shown nodes changed.
  bool Filter(std::string_view text);
  // The shown children of a node (kRoot for the top level), in order.
  std::span<const int32_t> ShownChildren(int32_t node) const;
  // Whether the last filter left the node.
  bool Shown(int32_t node) const { return row_[node] >= 0; }
  // A shown node's place among its parent's shown children.
  int32_t Row(int32_t node) const { return row_[node]; }
  // The widest shown node when a level indents by `indent` and a character is `charWidth` wide.
  int32_t WidestShown(int32_t indent, int32_t charWidth) const;

 private:
  struct Node {
    std::string text;
    int32_t parent;
    int32_t depth;
    bool isLabel;
    std::vector<int32_t> children;
  };

  void FoldFullNames();

  std::vector<Node> nodes_;
  std::vector<int32_t> topLevel_;
  // The full names in lower case, one after the other: node n's is [foldedStart_[n],
  // foldedStart_[n + 1]).
  std::string folded_;
  std::vector<uint32_t> foldedStart_;
  // The shown children of all nodes, the root's first: node n's are [shownStart_[n + 1],
  // shownStart_[n + 2]).
  std::vector<int32_t> shown_;
  std::vector<uint32_t> shownStart_;
  std::vector<int32_t> row_;
};

LabelTree BuildRomLabelTree(const LabelTables& labels);
LabelTree BuildRamLabelTree(const LabelTables& labels);

// "01:4150 ($004150)" for the last ROM label of that name; empty when there is none.
std::string RomLabelAddressText(const LabelTables& labels, std::string_view name);
// "02:A010 ($004010)" for cartridge RAM (A000-BFFF, with its offset in the save RAM), "00:C000"
// elsewhere; the last RAM label of that name; empty when there is none.
std::string RamLabelAddressText(const LabelTables& labels, std::string_view name);
