#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <fstream>
#include <string>
#include <vector>

#include "model/Labels.h"

namespace fs = std::filesystem;

TEST(SymFile, FoundBesideTheRomFirstThenInTheProgramFolder) {
  const fs::path dir = fs::temp_directory_path() / ("velmora-find-" + std::to_string(::getpid()));
  fs::create_directories(dir / "bin");
  fs::create_directories(dir / "roms.v2");
  const std::string folder = (dir / "bin").string() + "/";
  struct Row {
    std::string rom;
    std::vector<std::string> present;
    std::string found;
  };
  const std::string rom = (dir / "roms.v2" / "game.gbc").string();
  const std::string beside = (dir / "roms.v2" / "game.sym").string();
  const std::string titled = folder + "Game.sym";
  const Row rows[] = {
      {rom, {beside}, beside},
      {rom, {titled}, titled},
      {rom, {beside, titled}, beside},
      {rom, {}, ""},
      // No extension: ".sym" is added; the dot in the folder name is no extension.
      {(dir / "roms.v2" / "game").string(), {beside}, beside},
      {(dir / "roms.v2" / ".gb").string(), {(dir / "roms.v2" / ".gb.sym").string()},
       (dir / "roms.v2" / ".gb.sym").string()},
  };
  for (const Row& r : rows) {
    for (const std::string& p : r.present) std::ofstream(p) << "00:0150 Main\n";
    EXPECT_EQ(FindSymFile(r.rom, folder, "Game"), r.found) << r.rom;
    for (const std::string& p : r.present) fs::remove(p);
  }
  fs::remove_all(dir);
}

TEST(LabelTables, IndexesGiveFirstOrLastInTableOrder) {
  LabelTables t;
  t.AddRomLabel(0x150, "A");      // 0
  t.AddRomLabel(0x8150, "B");     // 1
  t.AddRomLabel(0x150, "C");      // 2
  t.AddRomLabel(0x4150, "A");     // 3
  t.AddRamLabel(0xC000, 1, "X");  // 0
  t.AddRamLabel(0xC000, 2, "Y");  // 1
  t.AddRamLabel(0xD000, 0, "X");  // 2
  EXPECT_EQ(t.FirstRomLabelAt(0x150), 0);
  EXPECT_EQ(t.LastRomLabelAt(0x150), 2);
  EXPECT_EQ(t.FirstBankedRomLabelAt(0x4150), 1);
  EXPECT_EQ(t.FirstBankedRomLabelAt(0x0150), LabelTables::kNone);
  EXPECT_EQ(t.FirstRomLabelNamed("A"), 0);
  EXPECT_EQ(t.LastRomLabelNamed("A"), 3);
  EXPECT_EQ(t.FirstRamLabelAt(0xC000), 0);
  EXPECT_EQ(t.FirstRamLabelNamed("X"), 0);
  EXPECT_EQ(t.LastRamLabelNamed("X"), 2);
  EXPECT_EQ(t.FirstRomLabelNamed("a"), LabelTables::kNone);
  EXPECT_EQ(t.NextRomLabelAt(0), 2);
  EXPECT_EQ(t.NextRomLabelAt(2), LabelTables::kNone);
}

// Every edit leaves the indexes as adding the resulting table entry by entry would.
TEST(LabelTables, EditsKeepTheIndexes) {
  struct Row {
    const char* what;
    std::function<void(LabelTables&)> edit;
    std::vector<RomLabel> rom;
    std::vector<std::string> ram;
  };
  const Row rows[] = {
      {"insert", [](LabelTables& t) { t.InsertRomLabel(1, {0x150, "New"}); },
       {{0x150, "A"}, {0x150, "New"}, {0x4150, "B"}, {0x150, "C"}}, {"X", "Y"}},
      {"erase", [](LabelTables& t) { t.EraseRomLabel(0); }, {{0x4150, "B"}, {0x150, "C"}},
       {"X", "Y"}},
      {"rename", [](LabelTables& t) { t.RenameRomLabel(2, "A"); },
       {{0x150, "A"}, {0x4150, "B"}, {0x150, "A"}}, {"X", "Y"}},
      {"ram insert", [](LabelTables& t) { t.InsertRamLabel(0, {0xC000, 0, "W"}); },
       {{0x150, "A"}, {0x4150, "B"}, {0x150, "C"}}, {"W", "X", "Y"}},
      {"ram erase and rename",
       [](LabelTables& t) {
         t.EraseRamLabel(0);
         t.RenameRamLabel(0, "X");
       },
       {{0x150, "A"}, {0x4150, "B"}, {0x150, "C"}}, {"X"}},
  };
  for (const Row& r : rows) {
    LabelTables t;
    t.AddRomLabel(0x150, "A");
    t.AddRomLabel(0x4150, "B");
    t.AddRomLabel(0x150, "C");
    t.AddRamLabel(0xC000, 0, "X");
    t.AddRamLabel(0xC001, 0, "Y");
    r.edit(t);
    LabelTables plain;
    for (const RomLabel& l : r.rom) plain.AddRomLabel(l.Offset, l.Name);
    ASSERT_EQ(t.RomLabels().size(), r.rom.size()) << r.what;
    for (size_t i = 0; i < r.rom.size(); ++i) {
      EXPECT_EQ(t.RomLabels()[i].Name, r.rom[i].Name) << r.what;
      EXPECT_EQ(t.FirstRomLabelAt(r.rom[i].Offset), plain.FirstRomLabelAt(r.rom[i].Offset));
      EXPECT_EQ(t.LastRomLabelNamed(r.rom[i].Name), plain.LastRomLabelNamed(r.rom[i].Name));
      EXPECT_EQ(t.NextRomLabelAt(static_cast<int32_t>(i)),
                plain.NextRomLabelAt(static_cast<int32_t>(i)));
    }
    std::vector<std::string> ram;
    for (const RamLabel& l : t.RamLabels()) ram.push_back(l.Name);
    EXPECT_EQ(ram, r.ram) << r.what;
    EXPECT_EQ(t.LastRamLabelNamed(r.ram.back()), static_cast<int32_t>(r.ram.size()) - 1);
  }
}
