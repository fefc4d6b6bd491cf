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
  // Each node's text as a view into the names, which outlive the building.
  std::vector<std::string_view> source;
  source.reserve(names.size());
  const auto add = [&](int32_t parent, std::string_view text) {
    const int32_t depth = parent == kRoot ? 0 : nodes_[parent].depth + 1;
    nodes_.push_back(Node{std::string(text), parent, depth, false, {}});
    source.push_back(text);
    (parent == kRoot ? topLevel_ : nodes_[parent].children).push_back(Size() - 1);
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
  for (std::string_view rest : names) {
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
        unnamedBranch.erase(branch);
        continue;
      }
    }
    nodes_[add(at, rest)].isLabel = true;
  }
  FoldFullNames();
  Filter({});
}

void LabelTree::FoldFullNames() {
  // Each full name is built from its parent's, which comes before it.
  foldedStart_.assign(nodes_.size() + 1, 0);
  std::vector<uint32_t> length(nodes_.size());
  size_t total = 0;
  for (size_t n = 0; n < nodes_.size(); ++n) {
    const int32_t parent = nodes_[n].parent;
    length[n] =
        static_cast<uint32_t>(nodes_[n].text.size()) + (parent == kRoot ? 0 : length[parent] + 1);
    total += length[n];
  }
  folded_.reserve(total);
  for (size_t n = 0; n < nodes_.size(); ++n) {
    const int32_t parent = nodes_[n].parent;
    if (parent != kRoot) {
      folded_.append(folded_, foldedStart_[parent], length[parent]);
      folded_ += '.';
    }
    for (char c : nodes_[n].text) folded_ += Fold(c);
    foldedStart_[n + 1] = static_cast<uint32_t>(folded_.size());
  }
}

std::string LabelTree::FullName(int32_t node) const {
  std::string name = nodes_[node].text;
  for (int32_t up = nodes_[node].parent; up != kRoot; up = nodes_[up].parent) {
    name = nodes_[up].text + "." + name;
  }
  return name;
}

const std::vector<int32_t>& LabelTree::Children(int32_t node) const {
  return node == kRoot ? topLevel_ : nodes_[node].children;
}

bool LabelTree::Filter(std::string_view text) {
  std::string needle;
  for (char c : text) needle += Fold(c);
  const auto size = static_cast<size_t>(Size());
  std::vector<char> shown(size, needle.empty());
  if (!needle.empty()) {
    // Children come after their parents: going backwards, a node is final when it is reached.
    const std::string_view all = folded_;
    for (size_t n = size; n-- > 0;) {
      if (!shown[n] && nodes_[n].isLabel) {
        const std::string_view name =
            all.substr(foldedStart_[n], foldedStart_[n + 1] - foldedStart_[n]);
        shown[n] = name.find(needle) != std::string_view::npos;
      }
      if (shown[n] && nodes_[n].parent != kRoot) shown[nodes_[n].parent] = 1;
    }
  }
  // The shown children of every node are in the order of the nodes: the same list means the
  // same shown nodes.
  std::vector<int32_t> before;
  before.swap(shown_);
  shown_.reserve(before.size());
  shownStart_.assign(size + 2, 0);
  row_.assign(size, -1);
  for (int32_t node = kRoot; node < Size(); ++node) {
    shownStart_[node + 1] = static_cast<uint32_t>(shown_.size());
    if (node != kRoot && !shown[node]) continue;
    int32_t row = 0;
    for (int32_t child : Children(node)) {
      if (!shown[child]) continue;
      row_[child] = row++;
      shown_.push_back(child);
    }
  }
  shownStart_[size + 1] = static_cast<uint32_t>(shown_.size());
  return shown_ != before;
}

std::span<const int32_t> LabelTree::ShownChildren(int32_t node) const {
  return std::span<const int32_t>(shown_).subspan(shownStart_[node + 1],
                                                  shownStart_[node + 2] - shownStart_[node + 1]);
}

int32_t LabelTree::WidestShown(int32_t indent, int32_t charWidth) const {
  int32_t widest = 0;
  for (int32_t node : shown_) {
    const auto width =
        nodes_[node].depth * indent + static_cast<int32_t>(nodes_[node].text.size()) * charWidth;
    widest = std::max(widest, width);
  }
  return widest;
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
  return BuildTree(labels.RomLabels());
}

LabelTree BuildRamLabelTree(const LabelTables& labels) {
  return BuildTree(labels.RamLabels());
}

std::string RomLabelAddressText(const LabelTables& labels, std::string_view name) {
  const int32_t i = labels.LastRomLabelNamed(name);
  if (i == LabelTables::kNone) return {};
  const auto offset = static_cast<uint32_t>(labels.RomLabels()[i].Offset);
  return OffsetToBankAddress(offset) + " ($" + IntToHex(offset, 6) + ")";
}

std::string RamLabelAddressText(const LabelTables& labels, std::string_view name) {
  const int32_t i = labels.LastRamLabelNamed(name);
  if (i == LabelTables::kNone) return {};
  const RamLabel& l = labels.RamLabels()[i];
  std::string text = IntToHex(l.Bank, 2) + ":" + IntToHex(l.Address, 4);
  // Cartridge RAM is banked in 8 KiB pages at A000-BFFF: show the place in the save RAM too.
  if (l.Address >= 0xA000 && l.Address <= 0xBFFF) {
    text += " ($" + IntToHex(l.Bank * 0x2000u + l.Address - 0xA000u, 6) + ")";
  }
  return text;
}
