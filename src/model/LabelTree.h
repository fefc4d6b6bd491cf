#pragma once
// The label browser's view of a label table: names nested at each ".", and the address texts
// shown for a picked label.

#include <string>
#include <string_view>
#include <vector>

#include "model/Labels.h"

struct LabelTreeNode {
  std::string Text;
  std::vector<LabelTreeNode> Children;
};

// Inserts each name in order: the parts before each "." become branches (an existing child with
// the same text is reused), the last part a new leaf even if a child of that text exists. Nothing
// is sorted.
std::vector<LabelTreeNode> BuildLabelTree(const std::vector<std::string_view>& names);
std::vector<LabelTreeNode> BuildRomLabelTree(const LabelTables& labels);
std::vector<LabelTreeNode> BuildRamLabelTree(const LabelTables& labels);

// "01:4150 ($004150)" for the last ROM label of that name; empty when there is none.
std::string RomLabelAddressText(const LabelTables& labels, std::string_view name);
// "02:A010 ($004010)" for cartridge RAM (A000-BFFF, with its offset in the save RAM), "00:C000"
// elsewhere; the last RAM label of that name; empty when there is none.
std::string RamLabelAddressText(const LabelTables& labels, std::string_view name);
