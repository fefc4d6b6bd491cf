#include "model/LabelTree.h"

#include <algorithm>
#include <unordered_map>

#include "model/BankAddress.h"
#include "model/NumberText.h"

namespace {

// A child's text under its parent, the text pointing into the names being inserted.
struct ChildKey {
  int32_t parent;
  std::string_view text;
  bool operator==(const ChildKey&) const = default;
};
struct ChildKeyHash {
  size_t operator()(const ChildKey& k) const {
    return std::hash<std::string_view>{}(k.text) * 31 + static_cast<size_t>(k.parent);
  }
};

// Lower case for ASCII and the Latin-1 capitals (C0-DE but the sign D7).
char Fold(char c) {
  const auto u = static_cast<unsigned char>(c);
  if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7)) {
    return static_cast<char>(u + 0x20);
  }
  return c;
}

}  // namespace

LabelTree::LabelTree(const std::vector<std::string_view>& names) {
  nodes_.reserve(names.size());
  texts_.reserve(names.size());
  children_.reserve(names.size());
  // Each node's text as a view into the names, which outlive the building.
  std::vector<std::string_view> source;
  source.reserve(names.size());
  const auto add = [&](int32_t parent, std::string_view text) {
    const int32_t depth = parent == kRoot ? 0 : nodes_[parent].depth + 1;
    nodes_.push_back(Node{parent, depth, static_cast<int32_t>(text.size())});
    entries_.push_back(kRoot);
    texts_.emplace_back(text);
    children_.emplace_back();
    source.push_back(text);
    (parent == kRoot ? topLevel_ : children_[parent]).push_back(Size() - 1);
    return Size() - 1;
  };

  // The first child of each text, for the parents that a name passes through. A parent's
  // children go into the index only when a look-up there misses, so that the children of a
  // routine, its local labels, cost nothing as long as no name passes through them.
  std::unordered_map<ChildKey, int32_t, ChildKeyHash> firstChild;
  std::vector<uint32_t> indexed;  // per node + 1 (the root first): its children in the index
  const auto findChild = [&](int32_t parent, std::string_view text) -> int32_t {
    const auto hit = firstChild.find(ChildKey{parent, text});
    if (hit != firstChild.end()) return hit->second;
    indexed.resize(nodes_.size() + 1);
    const std::vector<int32_t>& children = Children(parent);
    for (uint32_t& i = indexed[parent + 1]; i < children.size(); ++i) {
      firstChild.try_emplace(ChildKey{parent, source[children[i]]}, children[i]);
    }
    const auto late = firstChild.find(ChildKey{parent, text});
    return late != firstChild.end() ? late->second : kRoot;
  };

  // The branches made for names that passed through them, before a label of their own name
  // came: a routine whose local labels stand above it in the file.
  std::unordered_map<ChildKey, int32_t, ChildKeyHash> unnamedBranch;
  // Names of one routine come one after the other: the last branch passed is checked first.
  ChildKey lastKey{kRoot, {}};
  int32_t lastBranch = kRoot;
  for (size_t entry = 0; entry < names.size(); ++entry) {
    std::string_view rest = names[entry];
    int32_t at = kRoot;
    // A dot splits only between two texts: one in first or last place, or the second of two,
    // stays in its part, so that "a..b" is "a" and ".b" and "trail." is one node.
    for (size_t dot = rest.find('.', 1); dot != std::string_view::npos && dot + 1 < rest.size();
         dot = rest.find('.', 1)) {
      const ChildKey key{at, rest.substr(0, dot)};
      rest.remove_prefix(dot + 1);
      if (lastBranch == kRoot || !(key == lastKey)) {
        lastBranch = findChild(key.parent, key.text);
        if (lastBranch == kRoot) {
          lastBranch = add(key.parent, key.text);
          unnamedBranch.emplace(key, lastBranch);
        }
        lastKey = key;
      }
      at = lastBranch;
    }
    // The routine itself, after its locals, is that branch; a second label of one name is a
    // leaf of its own.
    if (!unnamedBranch.empty()) {
      const auto branch = unnamedBranch.find(ChildKey{at, rest});
      if (branch != unnamedBranch.end()) {
        nodes_[branch->second].isLabel = true;
        entries_[branch->second] = static_cast<int32_t>(entry);
        unnamedBranch.erase(branch);
        continue;
      }
    }
    const int32_t leaf = add(at, rest);
    nodes_[leaf].isLabel = true;
    entries_[leaf] = static_cast<int32_t>(entry);
  }
  NumberDepthFirst();
  FoldFullNames();
  for (const Node& node : nodes_) maxDepth_ = std::max(maxDepth_, node.depth);
  open_.assign(nodes_.size(), 1);
  Filter({});
}

void LabelTree::NumberDepthFirst() {
  const size_t size = nodes_.size();
  std::vector<int32_t> number(size);  // by the number of insertion
  std::vector<int32_t> order;         // the numbers of insertion, depth-first
  order.reserve(size);
  std::vector<std::pair<const std::vector<int32_t>*, size_t>> stack{{&topLevel_, 0}};
  while (!stack.empty()) {
    const std::vector<int32_t>& children = *stack.back().first;
    size_t& next = stack.back().second;
    if (next == children.size()) {
      stack.pop_back();
      continue;
    }
    const int32_t node = children[next++];
    number[node] = static_cast<int32_t>(order.size());
    order.push_back(node);
    if (!children_[node].empty()) stack.emplace_back(&children_[node], 0);
  }
  bool inOrder = true;
  for (size_t n = 0; n < size && inOrder; ++n) inOrder = order[n] == static_cast<int32_t>(n);
  if (!inOrder) {
    std::vector<Node> nodes;
    std::vector<std::string> texts;
    std::vector<std::vector<int32_t>> children;
    std::vector<int32_t> entries;
    entries.reserve(size);
    nodes.reserve(size);
    texts.reserve(size);
    children.reserve(size);
    for (int32_t old : order) {
      nodes.push_back(nodes_[old]);
      if (nodes.back().parent != kRoot) nodes.back().parent = number[nodes.back().parent];
      texts.push_back(std::move(texts_[old]));
      entries.push_back(entries_[old]);
      children.push_back(std::move(children_[old]));
      for (int32_t& child : children.back()) child = number[child];
    }
    nodes_ = std::move(nodes);
    texts_ = std::move(texts);
    entries_ = std::move(entries);
    children_ = std::move(children);
    for (int32_t& node : topLevel_) node = number[node];
  }
  // A branch's subtree ends where its last child's does; children come after their parent.
  for (size_t n = size; n-- > 0;) {
    const std::vector<int32_t>& children = children_[n];
    nodes_[n].end = children.empty() ? static_cast<int32_t>(n + 1) : nodes_[children.back()].end;
  }
}

void LabelTree::FoldFullNames() {
  // Each full name is built from its parent's, which comes before it.
  foldedStart_.assign(nodes_.size() + 1, 0);
  std::vector<uint32_t> length(nodes_.size());
  size_t total = 0;
  for (size_t n = 0; n < nodes_.size(); ++n) {
    const int32_t parent = nodes_[n].parent;
    length[n] =
        static_cast<uint32_t>(nodes_[n].length) + (parent == kRoot ? 0 : length[parent] + 1);
    total += length[n];
  }
  folded_.reserve(total);
  for (size_t n = 0; n < nodes_.size(); ++n) {
    const int32_t parent = nodes_[n].parent;
    if (parent != kRoot) {
      folded_.append(folded_, foldedStart_[parent], length[parent]);
      folded_ += '.';
    }
    for (char c : texts_[n]) folded_ += Fold(c);
    foldedStart_[n + 1] = static_cast<uint32_t>(folded_.size());
  }
}

std::string LabelTree::FullName(int32_t node) const {
  std::string name = texts_[node];
  for (int32_t up = nodes_[node].parent; up != kRoot; up = nodes_[up].parent) {
    name = texts_[up] + "." + name;
  }
  return name;
}

const std::vector<int32_t>& LabelTree::Children(int32_t node) const {
  return node == kRoot ? topLevel_ : children_[node];
}

bool LabelTree::Filter(std::string_view text) {
  std::string needle;
  for (char c : text) needle += Fold(c);
  const auto size = static_cast<size_t>(Size());
  keep_.assign(size, needle.empty());
  if (!needle.empty()) {
    // Children come after their parents: going backwards, a node is final when it is reached.
    const std::string_view all = folded_;
    for (size_t n = size; n-- > 0;) {
      if (!keep_[n] && nodes_[n].isLabel) {
        const std::string_view name =
            all.substr(foldedStart_[n], foldedStart_[n + 1] - foldedStart_[n]);
        keep_[n] = name.find(needle) != std::string_view::npos;
      }
      if (keep_[n] && nodes_[n].parent != kRoot) keep_[nodes_[n].parent] = 1;
    }
  }
  const bool reopened = closed_ > 0;
  if (reopened) {
    open_.assign(size, 1);
    closed_ = 0;
  }
  // Into the state of the filter before last, whose memory is there to reuse. Every branch is
  // open: the lines are the shown nodes in order.
  ShownNodes& next = last_;
  next.children.clear();
  next.start.resize(size + 2);
  next.row.resize(size);
  next.lines.resize(size);
  next.longest.assign(static_cast<size_t>(maxDepth_) + 1, 0);
  int32_t* line = next.lines.data();
  for (int32_t node = kRoot; node < Size(); ++node) {
    const auto count = static_cast<uint32_t>(next.children.size());
    next.start[static_cast<size_t>(node + 1)] = count;
    if (node != kRoot) {
      const Node& n = nodes_[static_cast<size_t>(node)];
      if (!keep_[static_cast<size_t>(node)]) {
        // Nothing under a node that goes stays.
        std::fill(next.start.begin() + node + 2, next.start.begin() + n.end + 1, count);
        std::fill(next.row.begin() + node, next.row.begin() + n.end, -1);
        node = n.end - 1;
        continue;
      }
      *line++ = node;
      int32_t& longest = next.longest[static_cast<size_t>(n.depth)];
      longest = std::max(longest, n.length);
    }
    int32_t row = 0;
    for (int32_t child : Children(node)) {
      if (!keep_[static_cast<size_t>(child)]) continue;
      next.row[static_cast<size_t>(child)] = row++;
      next.children.push_back(child);
    }
  }
  next.start[size + 1] = static_cast<uint32_t>(next.children.size());
  next.lines.resize(static_cast<size_t>(line - next.lines.data()));
  std::swap(shown_, last_);
  // Every branch was open before too: the same lines are the same shown nodes.
  return reopened || shown_.lines != last_.lines;
}

void LabelTree::SwapLastFilter() {
  std::swap(shown_, last_);
}

std::span<const int32_t> LabelTree::ShownChildren(int32_t node) const {
  return std::span<const int32_t>(shown_.children)
      .subspan(shown_.start[node + 1], shown_.start[node + 2] - shown_.start[node + 1]);
}

void LabelTree::ListLines() {
  shown_.lines.clear();
  shown_.longest.assign(static_cast<size_t>(maxDepth_) + 1, 0);
  for (int32_t node = 0; node < Size();) {
    const Node& n = nodes_[static_cast<size_t>(node)];
    if (!Shown(node)) {
      node = n.end;
      continue;
    }
    shown_.lines.push_back(node);
    int32_t& longest = shown_.longest[static_cast<size_t>(n.depth)];
    longest = std::max(longest, n.length);
    node = open_[static_cast<size_t>(node)] ? node + 1 : n.end;
  }
}

int32_t LabelTree::LineOf(int32_t node) const {
  const auto at = std::lower_bound(shown_.lines.begin(), shown_.lines.end(), node);
  if (at == shown_.lines.end() || *at != node) return -1;
  return static_cast<int32_t>(at - shown_.lines.begin());
}

bool LabelTree::SetOpen(int32_t node, bool open) {
  if (children_[node].empty() || (open_[node] != 0) == open) return false;
  open_[node] = open;
  closed_ = open ? closed_ - 1 : closed_ + 1;
  ListLines();
  return true;
}

bool LabelTree::OpenAll() {
  if (closed_ == 0) return false;
  open_.assign(nodes_.size(), 1);
  closed_ = 0;
  ListLines();
  return true;
}

int32_t LabelTree::WidestLine(int32_t indent, int32_t charWidth) const {
  int32_t widest = 0;
  for (size_t depth = 0; depth < shown_.longest.size(); ++depth) {
    if (shown_.longest[depth] == 0) continue;
    widest =
        std::max(widest, static_cast<int32_t>(depth) * indent + shown_.longest[depth] * charWidth);
  }
  return widest;
}

void LabelTree::MapEntries(const std::vector<int32_t>& order) {
  for (int32_t& e : entries_) {
    if (e != kRoot) e = order[static_cast<size_t>(e)];
  }
}

namespace {
template <typename Entry>
LabelTree BuildTree(const std::vector<Entry>& entries) {
  std::vector<std::string_view> names;
  names.reserve(entries.size());
  for (const Entry& e : entries) names.push_back(e.Name);
  return LabelTree(names);
}
}  // namespace

LabelTree BuildRomLabelTree(const LabelTables& labels) {
  // GBDK's bank numbers and section sizes are numbers, not places: they go under a heading of
  // their own after the places, in table order there too.
  const auto& rom = labels.RomLabels();
  std::vector<std::string> constants;
  std::vector<int32_t> order;
  for (size_t i = 0; i < rom.size(); ++i) {
    if (IsConstantLabel(rom[i].Offset, rom[i].Name)) {
      constants.push_back(std::string(kConstantsHeading) + "." + rom[i].Name);
    } else {
      order.push_back(static_cast<int32_t>(i));
    }
  }
  if (constants.empty()) return BuildTree(rom);
  std::vector<std::string_view> names;
  names.reserve(rom.size());
  for (int32_t i : order) names.push_back(rom[static_cast<size_t>(i)].Name);
  for (const std::string& c : constants) names.push_back(c);
  for (size_t i = 0; i < rom.size(); ++i) {
    if (IsConstantLabel(rom[i].Offset, rom[i].Name)) order.push_back(static_cast<int32_t>(i));
  }
  LabelTree tree(names);
  tree.MapEntries(order);
  return tree;
}

LabelTree BuildRamLabelTree(const LabelTables& labels) {
  return BuildTree(labels.RamLabels());
}

std::string RomEntryAddressText(const LabelTables& labels, int32_t entry) {
  if (entry < 0 || static_cast<size_t>(entry) >= labels.RomLabels().size()) return {};
  const RomLabel& label = labels.RomLabels()[entry];
  const auto offset = static_cast<uint32_t>(label.Offset);
  if (IsConstantLabel(label.Offset, label.Name)) return "$" + IntToHex(offset, 2) + " (a number)";
  return OffsetToBankAddress(offset) + " ($" + IntToHex(offset, 6) + ")";
}

std::string RomLabelAddressText(const LabelTables& labels, std::string_view name) {
  const int32_t i = labels.LastRomLabelNamed(name);
  return i == LabelTables::kNone ? std::string() : RomEntryAddressText(labels, i);
}

std::string RamLabelAddressText(const LabelTables& labels, std::string_view name) {
  const int32_t i = labels.LastRamLabelNamed(name);
  return i == LabelTables::kNone ? std::string() : RamEntryAddressText(labels, i);
}

std::string RamEntryAddressText(const LabelTables& labels, int32_t i) {
  if (i < 0 || static_cast<size_t>(i) >= labels.RamLabels().size()) return {};
  const RamLabel& l = labels.RamLabels()[i];
  std::string text = IntToHex(l.Bank, 2) + ":" + IntToHex(l.Address, 4);
  // Cartridge RAM is banked in 8 KiB pages at A000-BFFF: show the place in the save RAM too.
  if (l.Address >= 0xA000 && l.Address <= 0xBFFF) {
    text += " ($" + IntToHex(l.Bank * 0x2000u + l.Address - 0xA000u, 6) + ")";
  }
  return text;
}
