#include "model/LabelTree.h"

#include "model/BankAddress.h"
#include "model/NumberText.h"

namespace {

void Insert(std::vector<LabelTreeNode>& top, std::string_view name) {
  std::vector<LabelTreeNode>* level = &top;
  size_t dot;
  while ((dot = name.find('.')) != std::string_view::npos) {
    const std::string_view part = name.substr(0, dot);
    name.remove_prefix(dot + 1);
    LabelTreeNode* found = nullptr;
    for (LabelTreeNode& child : *level) {
      if (child.Text == part) {
        found = &child;
        break;
      }
    }
    if (found == nullptr) {
      level->push_back(LabelTreeNode{std::string(part), {}});
      found = &level->back();
    }
    level = &found->Children;
  }
  level->push_back(LabelTreeNode{std::string(name), {}});
}

}  // namespace

std::vector<LabelTreeNode> BuildLabelTree(const std::vector<std::string_view>& names) {
  std::vector<LabelTreeNode> top;
  for (std::string_view name : names) Insert(top, name);
  return top;
}

std::vector<LabelTreeNode> BuildRomLabelTree(const LabelTables& labels) {
  std::vector<std::string_view> names;
  for (const RomLabel& l : labels.RomLabels()) names.push_back(l.Name);
  return BuildLabelTree(names);
}

std::vector<LabelTreeNode> BuildRamLabelTree(const LabelTables& labels) {
  std::vector<std::string_view> names;
  for (const RamLabel& l : labels.RamLabels()) names.push_back(l.Name);
  return BuildLabelTree(names);
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
