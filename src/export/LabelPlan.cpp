#include "export/LabelPlan.h"

#include <algorithm>
#include <type_traits>
#include <unordered_set>

#include "model/BankAddress.h"
#include "model/NumberText.h"
#include "model/Rom.h"

namespace {

bool StartsName(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

// Hands out each name once: a name already taken gets "_2", "_3", ... at its end.
class NameSet {
 public:
  explicit NameSet(const std::function<bool(std::string_view, uint16_t)>& reserved)
      : reserved_(reserved) {}

  std::string Claim(std::string name) {
    Note(name);
    if (!IsReserved(name) && used_.insert(name).second) return name;
    for (unsigned n = 2;; ++n) {
      std::string next = name + "_" + std::to_string(n);
      if (!IsReserved(next) && used_.insert(next).second) return next;
    }
  }
  // A generated name is taken as it is unless a name of the symbol file has it already; it is
  // not remembered, since no other generated name can be the same.
  std::string ClaimGenerated(std::string name) {
    return mayClash_ && used_.count(name) != 0 ? Claim(std::move(name)) : name;
  }
  std::string ClaimGeneratedLocal(const std::string& global, std::string local) {
    return mayClash_ && used_.count(global + "." + local) != 0
               ? ClaimLocal(global, std::move(local))
               : local;
  }
  // For a local: the suffix goes on the part after the dot.
  std::string ClaimLocal(const std::string& global, std::string local) {
    Note(local);
    if (used_.insert(global + "." + local).second) return local;
    for (unsigned n = 2;; ++n) {
      std::string next = local + "_" + std::to_string(n);
      if (used_.insert(global + "." + next).second) return next;
    }
  }

 private:
  const std::function<bool(std::string_view, uint16_t)>& reserved_;
  std::unordered_set<std::string> used_;

  // A name defined elsewhere for any address (0 stands for "any").
  bool IsReserved(const std::string& name) const { return reserved_ && reserved_(name, 0); }

  // Whether a name taken so far has the shape of a generated one; most symbol files have none,
  // and then no generated name needs looking up.
  bool mayClash_ = false;

  void Note(const std::string& name) {
    for (std::string_view prefix : {"Func_", "Jump_", "Data_", "jp_", "jr_"}) {
      if (name.starts_with(prefix)) mayClash_ = true;
    }
  }
};

// A symbol-file name split at its dot. Names with no dot, with a leading dot (a local whose
// parent the file never names) or a trailing one are globals; further dots become "_".
struct SplitName {
  std::string global, local;
};

SplitName Split(std::string_view name) {
  while (name.starts_with('.')) name.remove_prefix(1);
  std::string text(name);
  const size_t dot = text.find('.');
  for (size_t i = dot == std::string::npos ? 0 : dot + 1; i < text.size(); ++i) {
    if (text[i] == '.') text[i] = '_';
  }
  if (dot == std::string::npos) return {text, ""};
  if (dot + 1 == text.size()) {
    text[dot] = '_';
    return {text, ""};
  }
  return {text.substr(0, dot), text.substr(dot + 1)};
}

std::string BankAddressName(uint32_t offset) {
  return IntToHex(BankOf(offset), 2) + "_" + IntToHex(CpuAddress(offset), 4);
}

struct Candidate {
  PlannedLabel label;
  uint32_t order;  // symbol-file order; generated names after every symbol label
};

}  // namespace

uint32_t ExportSectionStart(uint32_t offset) {
  if (offset >= kBankSize) return offset & ~(kBankSize - 1);
  return offset < 0x100 ? 0 : offset < 0x150 ? 0x100 : 0x150;
}

std::string SpellGlobalName(std::string_view name) {
  std::string out;
  out.reserve(name.size() + 1);
  if (name.empty() || !StartsName(name[0])) out += '_';
  for (char c : name) out += IsRgbdsNameChar(c) ? c : '_';
  if (IsRgbdsKeyword(out)) return "#" + out;
  if (IsRgbdsBuiltin(out)) out += '_';
  return out;
}

std::string SpellLocalName(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (char c : name) out += IsRgbdsNameChar(c) ? c : '_';
  return out.empty() ? "_" : out;
}

LabelPlan::LabelPlan(const LabelTables& tables, uint32_t romSize,
                     const std::vector<FlowTarget>& targets, const ConstantRule& asConstant,
                     const std::function<bool(std::string_view, uint16_t)>& reserved) {
  NameSet names(reserved);
  const std::vector<RomLabel>& rom = tables.RomLabels();
  std::vector<Candidate> placed;
  placed.reserve(rom.size() + targets.size());

  // Globals first, in file order, so that the first of a repeated name keeps it and the
  // locals below can find the spelling their parent got.
  struct Parent {
    uint32_t offset;
    std::string spelled;
  };
  std::unordered_map<std::string, std::vector<Parent>> parents;
  std::vector<SplitName> split(rom.size());
  std::vector<bool> constant(rom.size(), false);
  if (asConstant) {
    for (size_t i = 0; i < rom.size(); ++i) {
      const auto offset = static_cast<uint32_t>(rom[i].Offset);
      constant[i] = rom[i].Offset >= 0 && offset < romSize && asConstant(offset, rom[i].Name);
    }
  }
  for (size_t i = 0; i < rom.size(); ++i) {
    split[i] = Split(rom[i].Name);
    const auto offset = static_cast<uint32_t>(rom[i].Offset);
    if (rom[i].Offset < 0 || offset >= romSize || !split[i].local.empty()) continue;
    if (constant[i]) continue;
    PlannedLabel label;
    label.Offset = offset;
    label.Global = names.Claim(SpellGlobalName(split[i].global));
    if (label.Global != rom[i].Name) label.Original = rom[i].Name;
    parents[split[i].global].push_back({offset, label.Global});
    placed.push_back({std::move(label), static_cast<uint32_t>(i)});
  }
  for (size_t i = 0; i < rom.size(); ++i) {
    const auto offset = static_cast<uint32_t>(rom[i].Offset);
    if (rom[i].Offset < 0 || split[i].local.empty()) continue;
    if (offset >= romSize || constant[i]) continue;
    // The parent is the global of that name in the same bank, the nearest at or before it.
    const Parent* parent = nullptr;
    if (auto it = parents.find(split[i].global); it != parents.end()) {
      for (const Parent& p : it->second) {
        if (BankOf(p.offset) == BankOf(offset) && p.offset <= offset &&
            (parent == nullptr || p.offset > parent->offset)) {
          parent = &p;
        }
      }
    }
    PlannedLabel label;
    label.Offset = offset;
    label.Global = parent != nullptr ? parent->spelled : SpellGlobalName(split[i].global);
    label.Local = names.ClaimLocal(label.Global, SpellLocalName(split[i].local));
    if (label.FullName() != rom[i].Name) label.Original = rom[i].Name;
    placed.push_back({std::move(label), static_cast<uint32_t>(i)});
  }

  // Names with a value rather than a place: a constant cannot hold a dot.
  auto constantName = [&](std::string_view raw) {
    SplitName s = Split(raw);
    return names.Claim(SpellGlobalName(s.local.empty() ? s.global : s.global + "_" + s.local));
  };
  for (size_t i = 0; i < rom.size(); ++i) {
    if (rom[i].Offset >= 0 && static_cast<uint32_t>(rom[i].Offset) < romSize && !constant[i]) {
      continue;
    }
    const auto offset = static_cast<uint32_t>(rom[i].Offset);
    constants_.push_back({CpuAddress(offset), constantName(rom[i].Name), rom[i].Name,
                          OffsetToBankAddress(offset)});
  }
  for (const RamLabel& ram : tables.RamLabels()) {
    if (reserved && reserved(ram.Name, ram.Address)) continue;  // defined as it is elsewhere
    constants_.push_back({ram.Address, constantName(ram.Name), ram.Name,
                          IntToHex(ram.Bank, 2) + ":" + IntToHex(ram.Address, 4)});
    constantAt_.emplace(ram.Address, static_cast<uint32_t>(constants_.size() - 1));
  }

  // At one offset: globals, then locals, each in file order.
  std::stable_sort(placed.begin(), placed.end(), [](const Candidate& a, const Candidate& b) {
    if (a.label.Offset != b.label.Offset) return a.label.Offset < b.label.Offset;
    if (a.label.IsLocal() != b.label.IsLocal()) return !a.label.IsLocal();
    return a.order < b.order;
  });

  // The targets no symbol label names, one per offset; a call outranks a jump, a jump a branch.
  // A label the rule made a constant names no place: its target gets a name of its own.
  std::vector<FlowTarget> wanted;
  for (const FlowTarget& t : targets) {
    if (t.Offset >= romSize) continue;
    const bool named = std::binary_search(
        placed.begin(), placed.end(), t.Offset,
        [](const auto& a, const auto& b) {
          if constexpr (std::is_same_v<std::decay_t<decltype(a)>, Candidate>) {
            return a.label.Offset < b;
          } else {
            return a < b.label.Offset;
          }
        });
    if (!named) wanted.push_back(t);
  }
  // At one place, a name of its own first, then a call, a jump, a branch.
  std::sort(wanted.begin(), wanted.end(), [](const FlowTarget& a, const FlowTarget& b) {
    if (a.Offset != b.Offset) return a.Offset < b.Offset;
    if (a.Name.empty() != b.Name.empty()) return !a.Name.empty();
    // Data last: a place that is called or jumped to is named as code.
    if ((a.Flow == RgbdsFlow::None) != (b.Flow == RgbdsFlow::None)) return b.Flow == RgbdsFlow::None;
    return a.Flow < b.Flow;
  });
  wanted.erase(std::unique(wanted.begin(), wanted.end(),
                           [](const FlowTarget& a, const FlowTarget& b) {
                             return a.Offset == b.Offset;
                           }),
               wanted.end());

  // Merge the two in address order. A generated name is a local of the global before it in its
  // section (where a global's scope ends), else a global of its own.
  labels_.reserve(placed.size() + wanted.size());
  std::vector<uint32_t> order;  // file order of each label; generated ones after all
  order.reserve(labels_.capacity());
  size_t p = 0;
  std::string scope;
  uint32_t scopeSection = 0;
  auto take = [&](PlannedLabel&& label, uint32_t fileOrder) {
    if (!label.IsLocal()) {
      scope = label.Global;
      scopeSection = ExportSectionStart(label.Offset);
    }
    labels_.push_back(std::move(label));
    order.push_back(fileOrder);
  };
  for (const FlowTarget& t : wanted) {
    for (; p < placed.size() && placed[p].label.Offset <= t.Offset; ++p) {
      take(std::move(placed[p].label), placed[p].order);
    }
    // Generated names differ from each other by their address; only a symbol file's name can
    // be the same.
    PlannedLabel label;
    label.Offset = t.Offset;
    label.Generated = true;
    if (!t.Name.empty()) {
      label.Global = names.Claim(std::string(t.Name));
    } else if (t.Flow == RgbdsFlow::None) {
      label.Global = names.ClaimGenerated("Data_" + BankAddressName(t.Offset));
    } else if (t.Flow == RgbdsFlow::Call || scope.empty() ||
               scopeSection != ExportSectionStart(t.Offset)) {
      label.Global = names.ClaimGenerated(
          (t.Flow == RgbdsFlow::Call ? "Func_" : "Jump_") + BankAddressName(t.Offset));
    } else {
      label.Global = scope;
      label.Local = names.ClaimGeneratedLocal(
          scope, (t.Flow == RgbdsFlow::Jump ? "jp_" : "jr_") + IntToHex(CpuAddress(t.Offset), 4));
    }
    take(std::move(label), UINT32_MAX);
    ++generatedCount_;
  }
  for (; p < placed.size(); ++p) take(std::move(placed[p].label), placed[p].order);

  // The name operands use at each offset: the first of the symbol file's in file order.
  for (size_t i = 0; i < labels_.size(); ++i) {
    if (!operand_.empty() && labels_[operand_.back().first].Offset == labels_[i].Offset) {
      if (order[i] < order[operand_.back().first]) operand_.back().first = static_cast<uint32_t>(i);
    } else {
      operand_.push_back({static_cast<uint32_t>(i), labels_[i].Offset});
    }
  }
}

const PlannedLabel* LabelPlan::LabelAt(uint32_t offset) const {
  auto it = std::lower_bound(operand_.begin(), operand_.end(), offset,
                             [](const std::pair<uint32_t, uint32_t>& e, uint32_t value) {
                               return e.second < value;
                             });
  return it == operand_.end() || it->second != offset ? nullptr : &labels_[it->first];
}

const PlannedConstant* LabelPlan::ConstantAt(uint16_t address) const {
  auto it = constantAt_.find(address);
  return it == constantAt_.end() ? nullptr : &constants_[it->second];
}
