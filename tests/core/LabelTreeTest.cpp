#include <gtest/gtest.h>

#include "model/LabelTree.h"

namespace {

// "Sound(Init,Play),Main" style outline of a tree, children in order.
std::string Outline(const std::vector<LabelTreeNode>& nodes) {
  std::string out;
  for (const LabelTreeNode& n : nodes) {
    if (!out.empty()) out += ",";
    out += n.Text;
    if (!n.Children.empty()) out += "(" + Outline(n.Children) + ")";
  }
  return out;
}

}  // namespace

TEST(LabelTree, NamesNestAtDotsInTableOrder) {
  struct Row {
    std::vector<std::string_view> names;
    std::string outline;
  };
  const Row rows[] = {
      {{"Sound.Init", "Sound.Play", "Main"}, "Sound(Init,Play),Main"},
      {{"Sound.Data.x", "Gfx.Data.y"}, "Sound(Data(x)),Gfx(Data(y))"},
      // A leaf that a later name passes through becomes a branch; a leaf added after a branch of
      // the same text stands beside it.
      {{"Sound", "Sound.Init"}, "Sound(Init)"},
      {{"Sound.Init", "Sound"}, "Sound(Init),Sound"},
      {{"A", "A"}, "A,A"},
      {{"Zeta", "Alpha"}, "Zeta,Alpha"},
      {{"a..b", ".x", "y."}, "a((b)),(x),y()"},
      {{}, ""},
  };
  for (const Row& r : rows) EXPECT_EQ(Outline(BuildLabelTree(r.names)), r.outline);
}

TEST(LabelTree, AddressTextsOfPickedLabels) {
  LabelTables t;
  t.AddRomLabel(0x4150, "Far");
  t.AddRomLabel(0x150, "Twice");
  t.AddRomLabel(0x1F4ABC, "Twice");
  t.AddRamLabel(0xA010, 2, "SaveSlot");
  t.AddRamLabel(0xA000, 0, "SaveStart");
  t.AddRamLabel(0xC000, 0, "wWork");
  t.AddRamLabel(0xBFFF, 3, "SaveEnd");
  const std::pair<const char*, const char*> rom[] = {
      {"Far", "01:4150 ($004150)"}, {"Twice", "7D:4ABC ($1F4ABC)"}, {"Nobody", ""}};
  for (const auto& [name, text] : rom) EXPECT_EQ(RomLabelAddressText(t, name), text);
  const std::pair<const char*, const char*> ram[] = {{"SaveSlot", "02:A010 ($004010)"},
                                                     {"SaveStart", "00:A000 ($000000)"},
                                                     {"wWork", "00:C000"},
                                                     {"SaveEnd", "03:BFFF ($007FFF)"},
                                                     {"Far", ""}};
  for (const auto& [name, text] : ram) EXPECT_EQ(RamLabelAddressText(t, name), text);
}
