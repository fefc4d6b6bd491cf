#include <gtest/gtest.h>

#include <algorithm>

#include "model/LabelTree.h"

namespace {

// "Sound(Init,Play),Main" style outline of the shown nodes, children in order; "*" marks a branch
// that is a label too. Checks on the way that each node knows its row.
std::string Outline(const LabelTree& tree, int32_t node = LabelTree::kRoot) {
  std::string out;
  const auto children = tree.ShownChildren(node);
  for (size_t i = 0; i < children.size(); ++i) {
    const int32_t child = children[i];
    EXPECT_EQ(tree.Row(child), static_cast<int32_t>(i));
    EXPECT_EQ(tree.Parent(child), node);
    if (i > 0) out += ",";
    out += tree.Text(child);
    if (!tree.Children(child).empty()) {
      out += (tree.IsLabel(child) ? "*(" : "(") + Outline(tree, child) + ")";
    }
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
      // A routine and its local labels give one node, whichever comes first in the file.
      {{"Sound", "Sound.Init"}, "Sound*(Init)"},
      {{"Sound.Init", "Sound"}, "Sound*(Init)"},
      {{"Main.loop", "Sound.Init", "Main", "Sound", "Sound"}, "Main*(loop),Sound*(Init),Sound"},
      {{"Init", "Init.loop", "Init.done", "Main"}, "Init*(loop,done),Main"},
      {{"A", "A"}, "A,A"},
      {{"A.x", "B.y", "A.z", "B.y.w"}, "A(x,z),B(y*(w))"},
      {{"A.b", "A.c", "A.b.x", "A.b"}, "A(b*(x),c,b)"},
      {{"Zeta", "Alpha"}, "Zeta,Alpha"},
      // A dot splits a name only between two texts: a dot in first or last place, or the second
      // of two dots, stays in its part, so that every node has a text.
      {{"a..b", ".x", "y.", ".a.b", ".a.c", "..z", "a.b.", "a...c", "."},
       "a(.b,b.,.(c)),.x,y.,.a(b,c),.*(z)"},
      {{}, ""},
  };
  for (const Row& r : rows) {
    const LabelTree tree(r.names);
    EXPECT_EQ(Outline(tree), r.outline);
    for (int32_t n = 0; n < tree.Size(); ++n) {
      const bool named =
          std::find(r.names.begin(), r.names.end(), tree.FullName(n)) != r.names.end();
      EXPECT_EQ(tree.IsLabel(n), named) << tree.FullName(n);
    }
  }
}

TEST(LabelTree, FilterKeepsMatchingLabelsAndTheirBranches) {
  LabelTree tree({"Init", "Init.loop", "Init.done", "Main", "Sound.Play", "Sound.Data.Loop",
                  "\xC9"
                  "cran",
                  "wWIDE_NAME"});
  const std::pair<const char*, const char*> rows[] = {
      {"LOOP", "Init*(loop),Sound(Data(Loop))"},
      {"init", "Init*(loop,done)"},
      {"it.d", "Init*(done)"},  // the branch stays for its child, though it does not match
      {"sound", "Sound(Play,Data(Loop))"},
      {"\xE9"
       "CR",
       "\xC9"
       "cran"},  // Latin-1 letters fold too
      {"zzz", ""},
      {"",
       "Init*(loop,done),Main,Sound(Play,Data(Loop)),\xC9"
       "cran,wWIDE_NAME"},
  };
  for (const auto& [text, outline] : rows) {
    tree.Filter(text);
    EXPECT_EQ(Outline(tree), outline) << text;
  }
  // Indents of 10 and characters of 1: "Sound.Data.Loop" at depth 2 is the widest.
  EXPECT_EQ(tree.WidestShown(10, 1), 24);
  tree.Filter("i");
  EXPECT_EQ(tree.WidestShown(1, 1), 10);
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
