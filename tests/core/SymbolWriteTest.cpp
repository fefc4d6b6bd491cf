#include "model/SymbolWrite.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

namespace fs = std::filesystem;

// A save writes only over files that still hold what was read from them: one that another
// program wrote since (a build within the file watch's quiet moment), replaced, removed, made
// unreadable, or that appeared where a new file goes, is named.
TEST(SymbolWrite, FilesChangedOnDiskSinceTheyWereReadAreNamed) {
  std::string tmpl = (fs::temp_directory_path() / "velmora-changed-XXXXXX").string();
  const fs::path dir = ::mkdtemp(tmpl.data());
  const std::string rom = (dir / "game.gb").string();
  const std::string sym = (dir / "game.sym").string();
  const std::string overlay = OverlaySymFileName(rom);
  struct Row {
    const char* what;
    std::function<void()> change;
    std::vector<std::string> changed;
    bool moved = false;  // the ROM's file is saved under another name
  };
  const Row rows[] = {
      {"nothing", [] {}, {}},
      {"rebuilt, same size", [&] { std::ofstream(sym) << "00:0150 Mian\n"; }, {sym}},
      {"rebuilt, longer", [&] { std::ofstream(sym) << "00:0150 Main\n00:0160 More\n"; }, {sym}},
      {"removed", [&] { fs::remove(sym); }, {sym}},
      {"unreadable", [&] { fs::permissions(sym, fs::perms::none); }, {sym}},
      {"a new file there now", [&] { std::ofstream(overlay) << "00:0170 Other\n"; }, {overlay}},
      {"moved elsewhere: asked about already", [&] { std::ofstream(sym) << "x"; }, {}, true},
  };
  for (const Row& r : rows) {
    fs::remove(overlay);
    std::ofstream(sym) << "00:0150 Main\n";
    fs::permissions(sym, fs::perms::owner_read | fs::perms::owner_write);
    LabelTables labels;
    RomMarks marks;
    RomComments comments;
    const std::vector<SymbolFile> held = LoadRomSymbols(sym, rom, 2, {labels, marks, comments});
    SymbolWrite plan;
    plan.files = held;
    plan.known = held.size();
    plan.files.emplace_back();
    plan.files.back().Name = overlay;
    plan.texts = {"00:0150 Main\n", "00:0160 Added\n"};
    plan.write = {true, true};
    if (r.moved) plan.files[0].Name = (dir / "hack.sym").string();
    r.change();
    // Root reads any file: unreadable is no change for it.
    if (::geteuid() == 0 && std::string(r.what) == "unreadable") continue;
    EXPECT_EQ(ChangedOnDisk(plan, held), r.changed) << r.what;
  }
  fs::remove_all(dir);
}

// Save Symbols As: every file as a save composes it, one after the other, in one text that reads
// back as the files read together do: the tables' labels, comments and marks, the lines of
// other programs kept, one byte-order mark at the start.
TEST(SymbolWrite, CopyHoldsEveryFileAndReadsBackAsTheTables) {
  LabelTables labels;
  RomMarks marks;
  RomComments comments;
  std::vector<SymbolFile> held;
  held.push_back(ReadSymbolText("\xEF\xBB\xBF; kept\n00:0150 Main\n01:4000 Sub\n", "game.sym", 2,
                                {labels, marks, comments}));
  held.push_back(ReadSymbolText("\xEF\xBB\xBF" "00:0160 Added\n", "game.velmora.sym", 2,
                                {labels, marks, comments}));
  labels.RenameRomLabel(labels.FirstRomLabelNamed("Sub"), "Draw");
  labels.AddRomLabel(0x170, "New");
  comments[0x150] = "entry";
  marks.Mark(0x4100, 0x10, MarkKind::Data);
  const std::string copy = SymbolCopyText(held, labels, marks, comments);
  EXPECT_EQ(copy,
            "\xEF\xBB\xBF; kept\n00:0150 Main\n01:4000 Draw\n;@comment 00:0150 entry\n"
            "00:0160 Added\n00:0170 New\n01:4100 .data:10\n");
  LabelTables back;
  RomMarks backMarks;
  RomComments backComments;
  ReadSymbolText(copy, "copy.sym", 2, {back, backMarks, backComments});
  ASSERT_EQ(back.RomLabels().size(), labels.RomLabels().size());
  for (const RomLabel& l : labels.RomLabels()) {
    const int32_t e = back.FirstRomLabelNamed(l.Name);
    ASSERT_NE(e, LabelTables::kNone) << l.Name;
    EXPECT_EQ(back.RomLabels()[e].Offset, l.Offset) << l.Name;
  }
  EXPECT_EQ(backComments, comments);
  EXPECT_EQ(backMarks.Blocks(), marks.Blocks());
  // Without a file: the tables alone.
  EXPECT_EQ(SymbolCopyText({}, back, RomMarks(), RomComments()),
            "00:0150 Main\n00:0160 Added\n00:0170 New\n01:4000 Draw\n");
}
