#include "model/TextRows.h"

#include <gtest/gtest.h>

#include <functional>

#include "TestRom.h"

namespace {

constexpr uint32_t kStart = 0x4000;
constexpr uint32_t kEnd = kStart + 0x3000;
// A row of 32 "A"s but the last, "th" ($83) as the 32nd and 33rd characters, ends here, where a
// row whose start is kept begins; a $84 here makes "TH!" of the two bytes and moves that start
// on by one.
constexpr uint32_t kKeptStart = kStart + TextRowStarts::kStride * 32;
// The block's 842 rows (256 of 32 bytes, an end code, 585 of 7 bytes) keep the starts of rows 0,
// kStride, ... up to 842.
constexpr size_t kAllKept = 842 / TextRowStarts::kStride + 1;

struct Bounds {
  uint32_t start = kStart;
  uint32_t end = kEnd;
};

// The row that holds each byte, by a plain decode of the block from its start.
std::vector<std::pair<uint32_t, uint32_t>> PlainRows(const Rom& rom, const TextTable& table,
                                                     Bounds b) {
  std::vector<std::pair<uint32_t, uint32_t>> rows;
  for (const TextRow& row : TextRows(rom, table, b.start, b.end)) {
    rows.push_back({row.Offset, row.Offset + row.Length});
  }
  return rows;
}

TEST(TextRowsTest, KeptRowStartsGiveThePlainRowsAfterEveryChange) {
  TableSkips skips;
  const TextTable letters = ReadTableText("80=A\n83=th\n8384=TH!\n/FF\n", skips);
  const TextTable doubled = ReadTableText("80=AA\n83=th\n/FF\n", skips);
  struct Row {
    const char* change;
    // Changes the ROM, the table or the block, and tells the kept starts what changed.
    std::function<void(Rom&, const TextTable*&, Bounds&, TextRowStarts&)> apply;
    size_t kept;  // starts kept after the change, before the block is looked at again
  };
  const std::vector<Row> rows = {
      {"nothing", [](Rom&, const TextTable*&, Bounds&, TextRowStarts&) {}, kAllKept},
      {"a byte that makes a key of the one before a kept start",
       [](Rom& rom, const TextTable*&, Bounds&, TextRowStarts& starts) {
         rom.RomImage[kKeptStart] = 0x84;
         starts.DropFrom(kKeptStart);
       },
       1},
      {"an end code near the block's start",
       [](Rom& rom, const TextTable*&, Bounds&, TextRowStarts& starts) {
         rom.RomImage[kStart + 5] = 0xFF;
         starts.DropFrom(kStart + 5);
       },
       1},
      {"a byte two past a kept start",
       [](Rom& rom, const TextTable*&, Bounds&, TextRowStarts& starts) {
         rom.RomImage[kKeptStart + 2] = 0xFF;
         starts.DropFrom(kKeptStart + 2);
       },
       2},
      {"bytes after the block",
       [](Rom& rom, const TextTable*&, Bounds&, TextRowStarts& starts) {
         rom.RomImage[kEnd] = 0xFF;
         starts.DropFrom(kEnd);
       },
       kAllKept},
      {"another table",
       [&](Rom&, const TextTable*& table, Bounds&, TextRowStarts& starts) {
         table = &doubled;
         starts.Drop();
       },
       0},
      // A block is known by its bounds: a mark that moves them needs no word.
      {"the block made shorter",
       [](Rom&, const TextTable*&, Bounds& b, TextRowStarts&) { b.end = kKeptStart + 100; },
       kAllKept},
      {"the block started later",
       [](Rom&, const TextTable*&, Bounds& b, TextRowStarts&) { b.start = kStart + 3; },
       kAllKept},
  };
  for (const Row& row : rows) {
    auto rom = MakeRom(0x8000);
    // "A"s, the "th" before the kept start, end codes that make short rows further on.
    for (uint32_t at = kStart; at < kEnd; ++at) rom->RomImage[at] = 0x80;
    rom->RomImage[kKeptStart - 1] = 0x83;
    for (uint32_t at = kStart + 0x2000; at < kEnd; at += 7) rom->RomImage[at] = 0xFF;
    const TextTable* table = &letters;
    Bounds bounds;
    TextRowStarts starts;
    // Looked up at the end first, then in the middle: the block is known to its end.
    starts.RowAt(*rom, *table, bounds.start, bounds.end, bounds.end - 1);
    starts.RowAt(*rom, *table, bounds.start, bounds.end, kKeptStart);
    row.apply(*rom, table, bounds, starts);
    EXPECT_EQ(starts.Kept(), row.kept) << row.change;
    const auto plain = PlainRows(*rom, *table, bounds);
    // Backwards, then forwards again: kept starts serve both ways.
    for (int pass = 0; pass < 2; ++pass) {
      for (size_t i = 0; i < plain.size(); ++i) {
        const auto& expected = plain[pass == 0 ? plain.size() - 1 - i : i];
        for (uint32_t at : {expected.first, expected.second - 1}) {
          ASSERT_EQ(starts.RowAt(*rom, *table, bounds.start, bounds.end, at), expected)
              << row.change << " at " << std::hex << at;
        }
      }
    }
  }
}

}  // namespace
