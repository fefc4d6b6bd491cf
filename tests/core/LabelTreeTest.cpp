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

// The lines, one a line with two blanks a level; "+" marks an open branch with shown children,
// "-" a closed one. Checks on the way that each line knows its place and its subtree.
std::string LinesText(const LabelTree& tree) {
  std::string out;
  const auto lines = tree.Lines();
  for (size_t i = 0; i < lines.size(); ++i) {
    const int32_t node = lines[i];
    EXPECT_EQ(tree.LineOf(node), static_cast<int32_t>(i));
    for (int32_t child : tree.Children(node)) {
      EXPECT_GT(child, node);
      EXPECT_LE(tree.SubtreeEnd(child), tree.SubtreeEnd(node));
    }
    const char* mark = tree.ShownChildren(node).empty() ? "" : tree.IsOpen(node) ? "+" : "-";
    out +=
        std::string(2 * static_cast<size_t>(tree.Depth(node)), ' ') + mark + tree.Text(node) + "\n";
  }
  return out;
}

int32_t NodeNamed(const LabelTree& tree, const std::string& fullName) {
  for (int32_t n = 0; n < tree.Size(); ++n) {
    if (tree.FullName(n) == fullName) return n;
  }
  return LabelTree::kRoot;
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
  EXPECT_EQ(tree.WidestLine(10, 1), 24);
  tree.Filter("i");
  EXPECT_EQ(tree.WidestLine(1, 1), 10);
}

// A view's lines: the shown nodes depth-first, whatever order the names came in, less what
// closed branches hide. A filter opens every branch again.
TEST(LabelTree, LinesFollowOpenBranchesAndFilters) {
  LabelTree tree({"A.x", "B.y", "A.z", "B.y.w", "C", "B.y.v"});
  EXPECT_EQ(LinesText(tree), "+A\n  x\n  z\n+B\n  +y\n    w\n    v\nC\n");
  struct Row {
    const char* what;  // "open X", "close X", "all" or a filter text after "filter "
    bool changed;
    const char* lines;
    int widest;  // indents of 10, characters of 1
  };
  const Row rows[] = {
      {"close B.y", true, "+A\n  x\n  z\n+B\n  -y\nC\n", 11},
      {"close B.y", false, "+A\n  x\n  z\n+B\n  -y\nC\n", 11},
      {"close B", true, "+A\n  x\n  z\n-B\nC\n", 11},
      {"open B", true, "+A\n  x\n  z\n+B\n  -y\nC\n", 11},
      {"close C", false, "+A\n  x\n  z\n+B\n  -y\nC\n", 11},  // a leaf
      {"filter W", true, "+B\n  +y\n    w\n", 21},            // reopens y
      {"filter w", false, "+B\n  +y\n    w\n", 21},
      {"close B", true, "-B\n", 1},
      {"filter w", true, "+B\n  +y\n    w\n", 21},  // same nodes, B reopened
      {"close A", true, "+B\n  +y\n    w\n", 21},   // hidden, closed all the same
      {"filter zz", true, "", 0},
      {"filter ", true, "+A\n  x\n  z\n+B\n  +y\n    w\n    v\nC\n", 21},
      {"close A", true, "-A\n+B\n  +y\n    w\n    v\nC\n", 21},
      {"all", true, "+A\n  x\n  z\n+B\n  +y\n    w\n    v\nC\n", 21},
      {"all", false, "+A\n  x\n  z\n+B\n  +y\n    w\n    v\nC\n", 21},
  };
  for (const Row& r : rows) {
    const std::string what = r.what;
    bool changed = false;
    if (what == "all") {
      changed = tree.OpenAll();
    } else if (what.starts_with("filter ")) {
      changed = tree.Filter(what.substr(7));
    } else {
      changed =
          tree.SetOpen(NodeNamed(tree, what.substr(what.find(' ') + 1)), what.starts_with("open"));
    }
    EXPECT_EQ(changed, r.changed) << what;
    EXPECT_EQ(LinesText(tree), r.lines) << what;
    EXPECT_EQ(tree.WidestLine(10, 1), r.widest) << what;
  }
  EXPECT_EQ(tree.LineOf(NodeNamed(tree, "B.y.w")), 5);
  tree.SetOpen(NodeNamed(tree, "B"), false);
  EXPECT_EQ(tree.LineOf(NodeNamed(tree, "B.y.w")), -1);
}

// A model shows its listeners the rows from before a filter, then those after it.
TEST(LabelTree, SwapLastFilterGoesBackAndForth) {
  LabelTree tree({"Init", "Init.loop", "Main", "Sound.Play"});
  tree.Filter("loop");
  const std::string before = Outline(tree);
  const std::string beforeLines = LinesText(tree);
  tree.Filter("a");
  const std::string after = Outline(tree);
  ASSERT_NE(before, after);
  tree.SwapLastFilter();
  EXPECT_EQ(Outline(tree), before);
  EXPECT_EQ(LinesText(tree), beforeLines);
  EXPECT_FALSE(tree.Shown(NodeNamed(tree, "Main")));
  tree.SwapLastFilter();
  EXPECT_EQ(Outline(tree), after);
  EXPECT_TRUE(tree.Shown(NodeNamed(tree, "Main")));
  EXPECT_EQ(Outline(tree), "Main,Sound(Play)");
}

// GBDK's bank numbers and section sizes (names below 0100) come last under a heading of their
// own, each node still standing for its own table entry.
TEST(LabelTree, RomTreeListsNumbersUnderTheirOwnHeading) {
  LabelTables t;
  t.AddRomLabel(0x0000, "s__HEADER");
  t.AddRomLabel(0x0001, "b_actor_set_frames");
  t.AddRomLabel(0x0000, "RST_00");       // a place, though at 0000
  t.AddRomLabel(0x0150, "b_main");       // a place: at 0150
  t.AddRomLabel(0x0003, "___bank_song.x");
  t.AddRomLabel(0x0150, "Main");
  const LabelTree tree = BuildRomLabelTree(t);
  EXPECT_EQ(Outline(tree), "RST_00,b_main,Main,Constants(s__HEADER,b_actor_set_frames,___bank_song(x))");
  for (int32_t n = 0; n < tree.Size(); ++n) {
    if (!tree.IsLabel(n)) continue;
    const std::string& name = t.RomLabels()[static_cast<size_t>(tree.Entry(n))].Name;
    EXPECT_TRUE(tree.FullName(n) == name || tree.FullName(n) == "Constants." + name) << name;
  }
  EXPECT_EQ(Outline(BuildRomLabelTree(LabelTables())), "");
}

TEST(LabelTree, AddressTextsOfPickedLabels) {
  LabelTables t;
  t.AddRomLabel(0x4150, "Far");
  t.AddRomLabel(0x150, "Twice");
  t.AddRomLabel(0x1F4ABC, "Twice");
  t.AddRomLabel(0x05, "b_level");
  t.AddRamLabel(0xA010, 2, "SaveSlot");
  t.AddRamLabel(0xA000, 0, "SaveStart");
  t.AddRamLabel(0xC000, 0, "wWork");
  t.AddRamLabel(0xBFFF, 3, "SaveEnd");
  const std::pair<const char*, const char*> rom[] = {
      {"Far", "01:4150 ($004150)"}, {"Twice", "7D:4ABC ($1F4ABC)"}, {"b_level", "$05 (a number)"}, {"Nobody", ""}};
  for (const auto& [name, text] : rom) EXPECT_EQ(RomLabelAddressText(t, name), text);
  const std::pair<const char*, const char*> ram[] = {{"SaveSlot", "02:A010 ($004010)"},
                                                     {"SaveStart", "00:A000 ($000000)"},
                                                     {"wWork", "00:C000"},
                                                     {"SaveEnd", "03:BFFF ($007FFF)"},
                                                     {"Far", ""}};
  for (const auto& [name, text] : ram) EXPECT_EQ(RamLabelAddressText(t, name), text);
}
