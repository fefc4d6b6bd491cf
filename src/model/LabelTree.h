#pragma once
// The label browser's view of a label table: names nested at each ".", the nodes that a filter
// text leaves, and the address texts shown for a picked label.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/Labels.h"

// The nodes of one tree in one flat table, numbered depth-first: a node comes right after its
// parent or its previous sibling's last descendant, so that a branch and everything under it are
// one run of numbers. The children of a node keep the order in which the names came; nothing is
// sorted.
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
  const std::string& Text(int32_t node) const { return texts_[node]; }
  int32_t Parent(int32_t node) const { return nodes_[node].parent; }
  // 0 for a top-level node.
  int32_t Depth(int32_t node) const { return nodes_[node].depth; }
  // True when the node's full name is one of the names: every leaf, and a branch such as the
  // routine "Init" of the names "Init" and "Init.loop".
  bool IsLabel(int32_t node) const { return nodes_[node].isLabel; }
  // The place in the names the tree was built from of the label that the node stands for (the
  // table entry of BuildRomLabelTree's and BuildRamLabelTree's trees); kRoot for a branch alone.
  // Two labels of one name are two nodes, each with its own entry.
  int32_t Entry(int32_t node) const { return entries_[node]; }
  // Makes the entries those of another table: the node of name i stands for entry order[i].
  void MapEntries(const std::vector<int32_t>& order);
  // The texts from the top level down to the node, joined by ".".
  std::string FullName(int32_t node) const;
  // All children, shown or not.
  const std::vector<int32_t>& Children(int32_t node) const;
  // One past the node's last descendant: the node's subtree is [node, SubtreeEnd(node)).
  int32_t SubtreeEnd(int32_t node) const { return nodes_[node].end; }

  // Shows the labels whose full name contains the text, letter case ignored (ASCII and
  // Latin-1), with the branches that lead to them; the empty text shows every node. Every branch
  // is open afterwards. Returns whether the shown nodes or the open branches changed.
  bool Filter(std::string_view text);
  // Puts back the shown nodes, rows and lines from before the last Filter, or those after it
  // when called again: an item model tells its listeners of the change with the old rows in
  // place. The open branches stay as they are.
  void SwapLastFilter();
  // The shown children of a node (kRoot for the top level), in order.
  std::span<const int32_t> ShownChildren(int32_t node) const;
  // Whether the last filter left the node.
  bool Shown(int32_t node) const { return shown_.row[node] >= 0; }
  // A shown node's place among its parent's shown children.
  int32_t Row(int32_t node) const { return shown_.row[node]; }

  // The lines of a view of the tree: the shown nodes that no closed branch hides, depth-first
  // (in the order of their numbers).
  std::span<const int32_t> Lines() const { return shown_.lines; }
  // The node's place among the lines; -1 when it has none.
  int32_t LineOf(int32_t node) const;
  // Whether a branch is open (every branch is at first); leaves count as open.
  bool IsOpen(int32_t node) const { return open_[node] != 0; }
  // Opens or closes a branch, shown or not; returns whether it was not so already. The lines
  // follow.
  bool SetOpen(int32_t node, bool open);
  // Opens every branch; returns whether one was closed.
  bool OpenAll();
  // The widest line when a level indents by `indent` and a character is `charWidth` wide.
  int32_t WidestLine(int32_t indent, int32_t charWidth) const;

 private:
  // What a filter reads of every node, kept small; the texts and children apart.
  struct Node {
    int32_t parent;
    int32_t depth;
    int32_t length;   // of the text
    int32_t end = 0;  // one past the last descendant
    bool isLabel = false;
  };
  // What one filter leaves.
  struct ShownNodes {
    // The shown children of all nodes, the root's first: node n's are [start[n + 1],
    // start[n + 2]).
    std::vector<int32_t> children;
    std::vector<uint32_t> start;
    std::vector<int32_t> row;
    std::vector<int32_t> lines;
    // The longest text among the lines at each depth, 0 for a depth without lines.
    std::vector<int32_t> longest;
  };

  // Numbers the nodes depth-first, as the class promises.
  void NumberDepthFirst();
  void FoldFullNames();
  // The lines anew from the shown nodes and the open branches.
  void ListLines();

  std::vector<Node> nodes_;
  std::vector<std::string> texts_;
  std::vector<int32_t> entries_;
  std::vector<std::vector<int32_t>> children_;
  std::vector<int32_t> topLevel_;
  // The full names in lower case, one after the other: node n's is [foldedStart_[n],
  // foldedStart_[n + 1]).
  std::string folded_;
  std::vector<uint32_t> foldedStart_;
  ShownNodes shown_;
  ShownNodes last_;  // before the last filter
  int32_t maxDepth_ = 0;
  // While filtering: per node, whether the filter leaves it.
  std::vector<char> keep_;
  std::vector<char> open_;
  size_t closed_ = 0;  // branches whose open_ is 0
};

// The heading under which BuildRomLabelTree lists the names of numbers (IsConstantLabel).
inline constexpr std::string_view kConstantsHeading = "Constants";

// The ROM labels, those that name numbers rather than places under kConstantsHeading, last.
LabelTree BuildRomLabelTree(const LabelTables& labels);
LabelTree BuildRamLabelTree(const LabelTables& labels);

// The same texts for the label of a table entry (a node's Entry()).
std::string RomEntryAddressText(const LabelTables& labels, int32_t entry);
std::string RamEntryAddressText(const LabelTables& labels, int32_t entry);
// "01:4150 ($004150)" for the last ROM label of that name; empty when there is none.
std::string RomLabelAddressText(const LabelTables& labels, std::string_view name);
// "02:A010 ($004010)" for cartridge RAM (A000-BFFF, with its offset in the save RAM), "00:C000"
// elsewhere; the last RAM label of that name; empty when there is none.
std::string RamLabelAddressText(const LabelTables& labels, std::string_view name);
