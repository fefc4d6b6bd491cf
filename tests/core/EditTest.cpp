#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "TestRom.h"
#include "asm/BlockAssembler.h"
#include "model/Edit.h"
#include "model/Failure.h"
#include "model/Header.h"
#include "model/RomChange.h"

namespace {

// 64 KiB whose bytes all differ from their neighbours, so a byte put back wrongly shows.
std::unique_ptr<Rom> PatternedRom() {
  auto rom = MakeRom(0x10000);
  for (uint32_t i = 0; i < rom->RomSize; ++i) rom->RomImage[i] = static_cast<uint8_t>(i * 13 + 7);
  return rom;
}

// Undo gives back the image from before, redo the image from after, twice over.
void ExpectUndoRedo(Rom& rom, const EditStep& step, const std::vector<uint8_t>& before,
                    uint32_t sizeBefore, const std::string& what) {
  const std::vector<uint8_t> after = rom.RomImage;
  const uint32_t sizeAfter = rom.RomSize;
  for (int round = 0; round < 2; ++round) {
    RevertEdit(rom, step);
    EXPECT_TRUE(rom.RomImage == before) << what;
    EXPECT_EQ(rom.RomSize, sizeBefore) << what;
    EXPECT_EQ(rom.BankCount, sizeBefore / kBankSize) << what;
    ApplyEdit(rom, step);
    EXPECT_TRUE(rom.RomImage == after) << what;
    EXPECT_EQ(rom.RomSize, sizeAfter) << what;
  }
}

}  // namespace

TEST(Edit, KeepsOnlyTheChangedBytesInRuns) {
  struct Write {
    int64_t offset;
    uint8_t value;
  };
  struct Row {
    const char* what;
    std::vector<Write> writes;  // in the command's order
    std::vector<EditRun> runs;
    std::vector<uint8_t> newBytes;
  };
  // The pattern holds 0x07 at 0, 0x14 at 1, 0x21 at 2, 0x2E at 3, 0x3B at 4, 0x48 at 5.
  const Row rows[] = {
      {"one byte", {{0x100, 0xAA}}, {{0x100, 1}}, {0xAA}},
      {"three bytes", {{2, 0xC3}, {3, 0x50}, {4, 0x01}}, {{2, 3}}, {0xC3, 0x50, 0x01}},
      {"the same value again", {{1, 0x14}}, {}, {}},
      {"changed, then changed back", {{1, 0x99}, {1, 0x14}}, {}, {}},
      {"written twice: the first old, the last new", {{1, 0x99}, {1, 0x98}}, {{1, 1}}, {0x98}},
      {"runs come out ascending", {{0x300, 1}, {0x10, 2}}, {{0x10, 1}, {0x300, 1}}, {2, 1}},
      {"neighbours written apart join", {{5, 0}, {3, 0}, {4, 0}}, {{3, 3}}, {0, 0, 0}},
      {"an unchanged byte splits a run", {{2, 0}, {3, 0x2E}, {4, 0}}, {{2, 1}, {4, 1}}, {0, 0}},
      {"outside the buffer", {{-1, 1}, {kRomCapacity, 1}}, {}, {}},
  };
  for (const Row& r : rows) {
    auto rom = PatternedRom();
    const std::vector<uint8_t> before = rom->RomImage;
    const EditStep step = RecordEdit(*rom, [&] {
      for (const Write& w : r.writes) rom->SetByte(w.offset, w.value);
    });
    EXPECT_EQ(step.Runs, r.runs) << r.what;
    EXPECT_EQ(step.NewBytes, r.newBytes) << r.what;
    std::vector<uint8_t> oldBytes;
    for (const EditRun& run : step.Runs) {
      for (uint32_t i = 0; i < run.Length; ++i) oldBytes.push_back(before[run.Offset + i]);
    }
    EXPECT_EQ(step.OldBytes, oldBytes) << r.what;
    EXPECT_EQ(step.Empty(), r.runs.empty()) << r.what;
    if (!r.runs.empty()) {
      EXPECT_EQ(step.FirstOffset(), r.runs[0].Offset) << r.what;
    }
    EXPECT_EQ(rom->Journal, nullptr) << r.what;
    ExpectUndoRedo(*rom, step, before, 0x10000, r.what);
  }
}

// Each command is one step however much it writes, its size change included. A long run of one
// value, before or after, is kept as that one byte.
TEST(Edit, EachCommandIsOneStep) {
  LabelTables labels;
  std::vector<std::string> longBlock = {"org 01:4000"};
  longBlock.insert(longBlock.end(), 10000, "halt");
  std::vector<std::string> longBlockThenMore = longBlock;
  longBlockThenMore.insert(longBlockThenMore.end(), {"org 01:7000", "ld a,$05"});
  std::vector<uint8_t> target(0x10000, 0);  // a patch's target
  target[0x200] = 1;
  target[0x202] = 2;
  target[0xFFFF] = 3;
  struct Row {
    const char* what;
    std::function<void(Rom&)> command;
    uint32_t newSize;
    std::vector<EditRun> runs;
    uint32_t firstOffset;  // where undo and redo show the step
    size_t oldKept;        // the bytes in OldBytes and NewBytes
    size_t newKept;
  };
  const Row rows[] = {
      {"a block of three orgs, the last below the first",
       [&](Rom& rom) {
         AssembleBlock(
             rom, labels,
             {"org 02:4100", "@Loop", "jr @Loop", "org 01:4000", "ld a,$05", "org 00:0150", "ret"},
             {});
       },
       0x10000,
       {{0x150, 1}, {0x4000, 2}, {0x8100, 2}},
       0x150,
       5,
       5},
      // Zeros before, "halt" after, written a byte at a time.
      {"ten thousand lines",
       [&](Rom& rom) { AssembleBlock(rom, labels, longBlock, {}); },
       0x10000,
       {{0x4000, 10000, 1, 1}},
       0x4000,
       1,
       1},
      // The long run keeps one byte of each; the run after it keeps its bytes right behind.
      {"ten thousand lines, then an instruction apart",
       [&](Rom& rom) { AssembleBlock(rom, labels, longBlockThenMore, {}); },
       0x10000,
       {{0x4000, 10000, 1, 1}, {0x7000, 2}},
       0x4000,
       3,
       3},
      // The new bytes are 0xFF over zeros and the size code at 0x148 changes.
      {"extended",
       [](Rom& rom) { ApplyRomChange(rom, ExtendRom(rom, 0x20000)); },
       0x20000,
       {{0x148, 1}, {0x10000, 0x10000, 1, 1}},
       0x148,
       2,
       2},
      // A byte of the grown part written again: its old value is the zero from before the fill.
      {"extended, then written into",
       [](Rom& rom) {
         ApplyRomChange(rom, ExtendRom(rom, 0x20000));
         rom.SetByte(0x10010, 0x12);
       },
       0x20000,
       {{0x148, 1}, {0x10000, 0x10000, 1, 0}},
       0x148,
       2,
       0x10001},
      {"patched",
       [&](Rom& rom) { ApplyRomChange(rom, DiffRom(rom, target)); },
       0x10000,
       {{0x200, 1}, {0x202, 1}, {0xFFFF, 1}},
       0x200,
       3,
       3},
      // The buffer past the end holds zeros already: only the size changes, and the step is
      // shown where the shorter image ends.
      {"grown over zeros", [](Rom& rom) { rom.RomSize = 0x18000; }, 0x18000, {}, 0x10000, 0, 0},
      {"cut, nothing written", [](Rom& rom) { rom.RomSize = 0x8000; }, 0x8000, {}, 0x8000, 0, 0},
      {"cut",
       [](Rom& rom) {
         rom.SetByte(0x148, 0x00);
         rom.SetByte(0x148, 0x01);
         rom.RomSize = 0x8000;
       },
       0x8000,
       {{0x148, 1}},
       0x148,
       1,
       1},
  };
  for (const Row& r : rows) {
    auto rom = MakeRom(0x10000);
    const std::vector<uint8_t> before = rom->RomImage;
    const EditStep step = RecordEdit(*rom, [&] { r.command(*rom); });
    EXPECT_EQ(step.Runs, r.runs) << r.what;
    EXPECT_EQ(step.OldBytes.size(), r.oldKept) << r.what;
    EXPECT_EQ(step.NewBytes.size(), r.newKept) << r.what;
    EXPECT_EQ(step.OldSize, 0x10000u) << r.what;
    EXPECT_EQ(step.NewSize, r.newSize) << r.what;
    EXPECT_EQ(step.FirstOffset(), r.firstOffset) << r.what;
    EXPECT_FALSE(step.Empty()) << r.what;
    ExpectUndoRedo(*rom, step, before, 0x10000, r.what);
  }
}

TEST(Edit, AFailedCommandChangesNothingAndTellsTheOuterRecording) {
  auto rom = PatternedRom();
  const std::vector<uint8_t> before = rom->RomImage;
  // A block that fails in its second pass has written its first pass meanwhile.
  LabelTables labels;
  const std::vector<std::string> failing = {"org 01:4000", "ld a,$05", "jp @Nowhere"};
  EXPECT_THROW(RecordEdit(*rom, [&] { AssembleBlock(*rom, labels, failing, {}); }), Failure);
  EXPECT_TRUE(rom->RomImage == before);

  const EditStep outer = RecordEdit(*rom, [&] {
    rom->SetByte(0x10, 0xAA);
    const EditStep inner = RecordEdit(*rom, [&] { rom->SetByte(0x20, 0xBB); });
    EXPECT_EQ(inner.Runs, (std::vector<EditRun>{{0x20, 1}}));
    try {
      RecordEdit(*rom, [&] {
        rom->SetByte(0x10, 0x01);
        rom->SetByte(0x30, 0x02);
        ApplyRomChange(*rom, ExtendRom(*rom, 0x20000));  // a fill over the zeros past the end
        throw std::runtime_error("stop");
      });
      ADD_FAILURE() << "the failure was swallowed";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "stop");
    }
    EXPECT_EQ(rom->RomSize, 0x10000u);
    EXPECT_EQ(rom->BankCount, 4u);
  });
  EXPECT_EQ(outer.Runs, (std::vector<EditRun>{{0x10, 1}, {0x20, 1}}));
  EXPECT_EQ(outer.NewBytes, (std::vector<uint8_t>{0xAA, 0xBB}));
  EXPECT_EQ(rom->Journal, nullptr);
  RevertEdit(*rom, outer);
  EXPECT_TRUE(rom->RomImage == before);
}
