#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "TestRom.h"
#include "isa/InstructionTable.h"
#include "search/InstructionSearch.h"

TEST(InstructionSearch, FormatComesFromTheTextExceptTheHighPagePrefix) {
  struct Row {
    const char* text;
    ValueFormat format;
  };
  const Row rows[] = {
      {"ld [$FF00 + $80],a", ValueFormat::Hex},
      {"ld [$FF00 + 128],a", ValueFormat::Dec},
      {"ld [$FF00 + %10000000],a", ValueFormat::Bin},
      {"ld a,[$FF00 + c]", ValueFormat::Dec},
      {"$FF00 + $FF00 + ", ValueFormat::Hex},  // only the first one is the template's
      {"ld a,%101", ValueFormat::Bin},
      {"ld a,$3E %", ValueFormat::Hex},
      {"nop", ValueFormat::Dec},
      {"", ValueFormat::Dec},
  };
  for (const Row& r : rows) EXPECT_EQ(SearchFormatFor(r.text), r.format) << r.text;
}

TEST(InstructionSearch, FindsTheDecodedTextAsTheListingShowsIt) {
  auto rom = MakeRom(0x18000);
  LabelTables labels;
  labels.AddRomLabel(0x150, "Start");
  labels.AddRomLabel(0x14000, "Bank5Top");
  labels.AddRomLabel(0x700, "Loop");
  labels.AddRamLabel(0xC000, 0, "wState");

  Put(*rom, 0x100, {0x3E, 0x3E});
  Put(*rom, 0x200, {0x3E, 0x3E});
  Put(*rom, 0x300, {0x21, 0x3E, 0x05});  // ld hl,$053E, with ld a,$05 inside
  Put(*rom, 0x400, {0xE0, 0x80});
  Put(*rom, 0x500, {0xCD, 0x50, 0x01});
  Put(*rom, 0x600, {0xCD, 0x00, 0x40});
  Put(*rom, 0x14123, {0xCD, 0x00, 0x40});
  Put(*rom, 0x700, {0x20, 0xFE});
  Put(*rom, 0x800, {0xFA, 0x00, 0xC0});
  Put(*rom, 0x900, {0xE8, 0xF0});
  Put(*rom, 0x980, {0xE8, 0x05});
  Put(*rom, 0x990, {0xE8, 0x80});
  Put(*rom, 0xA00, {0xCB, 0x7C});
  Put(*rom, 0xB00, {0x07});
  Put(*rom, 0xB10, {0xCB, 0x07});
  Put(*rom, 0xC00, {0x10});
  Put(*rom, 0xD00, {0xD3});
  Put(*rom, 0x4000, {0x18, 0x80});  // jr from bank 1 to 3F82, in bank 0
  Put(*rom, 0x14200, {0xC3, 0x50, 0x41});

  struct Row {
    int32_t start;
    const char* text;
    int32_t found;
  };
  const Row rows[] = {
      {0, "ld a,$3E", 0x100},
      {0x100, "ld a,$3E", 0x100},  // the start itself counts
      {0x101, "ld a,$3E", 0x200},
      {0x201, "ld a,$3E", -1},  // no wrap-around
      {0, "ld a,62", 0x100},
      {0, "ld a,%111110", 0x100},
      {0, "ld a,$3e", -1},  // the decoder writes upper-case digits
      {0, "LD A,$3E", -1},
      {0, "ld a, $3E", -1},
      {0, "ld a,$05", 0x301},  // inside ld hl,$053E
      {0, "ld hl,$053E", 0x300},
      {0, "ld [$FF00 + $80],a", 0x400},
      {0, "ld [$FF00 + 128],a", 0x400},
      {0, "ld [$FF00 + %10000000],a", 0x400},
      {0, "call @Start", 0x500},  // labels replace word operands
      {0, "call $0150", -1},
      {0, "call 336", -1},
      {0, "call @Bank5Top", 0x600},   // from bank 0: "@" and the first label of any bank
      {0, "call Bank5Top", 0x14123},  // in its own bank: the bare name
      {0, "jr nz,@Loop", 0x700},      // and relative targets
      {0, "jr nz,$0700", -1},
      {0, "jr $3F82", 0x4000},
      {0, "ld a,[@wState]", 0x800},
      {0, "add sp,-$10", 0x900},
      {0, "add sp,-16", 0x900},
      {0, "add sp,-%10000", 0x900},
      {0, "add sp,+$05", 0x980},
      {0, "add sp,+5", 0x980},
      {0, "add sp,-$80", 0x990},  // the one magnitude that needs nine bits signed
      {0, "add sp,-128", 0x990},
      {0, "add sp,+128", -1},
      {0, "bit 7,h", 0xA00},
      {0, "rlca", 0xB00},  // base 07 and CB 07 read apart
      {0, "rlc a", 0xB10},
      {0, "stop", 0xC00},
      {0, "-", 0xD00},
      {0, "nop", 0},
      {0x100, "nop", 0x102},
      {0, "jp $4150", 0x14200},
      {0, "jp 16720", 0x14200},
      {0, "jp ?", -1},
      {0, "", -1},
      {-3, "nop", 0},
      {0x18000, "nop", -1},  // start at RomSize
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.text) + " from " + std::to_string(r.start));
    EXPECT_EQ(SearchInstruction(*rom, labels, r.start, r.text), r.found);
    EXPECT_EQ(SearchInstructionByDecoding(*rom, labels, r.start, r.text), r.found);
  }
}

// The last offsets of the ROM decode with the bytes that stand after RomSize in the buffer
// (the tail of a longer ROM loaded before), as the listing shows them; later offsets never
// count.
TEST(InstructionSearch, LastOffsetsReadTheBytesAfterTheRom) {
  auto rom = MakeRom(0x8001);
  LabelTables labels;
  Put(*rom, 0x7FFF, {0xC3, 0x3E, 0x77, 0x3E, 0x3E});
  struct Row {
    const char* text;
    int32_t found;
  };
  const Row rows[] = {{"jp $773E", 0x7FFF}, {"ld a,$77", 0x8000}, {"ld a,$3E", -1}};
  for (const Row& r : rows) {
    EXPECT_EQ(SearchInstruction(*rom, labels, 0, r.text), r.found) << r.text;
    EXPECT_EQ(SearchInstructionByDecoding(*rom, labels, 0, r.text), r.found) << r.text;
  }
}

// The narrowed search must give exactly the answer of decoding every offset, for texts the
// decoder really writes (all three formats, label names of every kind, odd names included)
// and for texts close to them.
TEST(InstructionSearch, EqualsDecodingEveryOffsetOnRandomData) {
  auto rom = MakeRom(3 * 0x4000 + 0x123);
  std::mt19937 rng(2024);
  for (uint32_t i = 0; i < rom->RomSize + 8; ++i) {
    // Some bias towards the label-heavy operand areas and common opcodes.
    const uint32_t r = rng() % 16;
    rom->RomImage[i] = r == 0 ? 0x00 : r == 1 ? 0xCD : r == 2 ? 0x40 : static_cast<uint8_t>(rng());
  }
  const char* odd[] = {"@Dup", "$0150", "nz,@L1", "", "Dup", "12"};
  auto name = [&] {
    return rng() % 10 == 0 ? std::string(odd[rng() % 6]) : "L" + std::to_string(rng() % 300);
  };
  LabelTables labels;
  for (int i = 0; i < 20000; ++i) {
    labels.AddRomLabel(static_cast<int32_t>(rng() % rom->RomSize), name());
  }
  for (int i = 0; i < 10000; ++i) {
    labels.AddRamLabel(static_cast<uint16_t>(0x8000 + rng() % 0x8000), 0, name());
  }

  int withLabel = 0;
  const LabelTables noLabels;
  std::vector<std::string> texts = {"nop", "-", "rlc a", "stop", "ld a,[$FF00 + c]", "jp ?"};
  const ValueFormat formats[] = {ValueFormat::Dec, ValueFormat::Hex, ValueFormat::Bin};
  for (int i = 0; i < 160; ++i) {
    uint32_t at = i < 6 ? rom->RomSize - 1 - i % 2 : rng() % rom->RomSize;
    // Half of them where a word operand or a jump target stands, where labels show.
    while (i % 2 &&
           (DisasmTable[rom->RomImage[at]].Kind & (kOperandWord | kOperandRelative)) == 0) {
      at = rng() % rom->RomSize;
    }
    std::string text = DecodeInstruction(*rom, at, formats[i % 3], labels).Text;
    withLabel += text != DecodeInstruction(*rom, at, formats[i % 3], noLabels).Text;
    if (i % 7 == 3 && !text.empty()) text[rng() % text.size()] = "$%@1,ab"[rng() % 7];
    texts.push_back(text);
  }
  for (const std::string& text : texts) {
    // Every match from a random start on, as Search > Again would step through them.
    int32_t fast = static_cast<int32_t>(rng() % rom->RomSize);
    int32_t plain = fast;
    for (int n = 0; n < 40 && plain >= 0; ++n) {
      fast = SearchInstruction(*rom, labels, fast, text);
      plain = SearchInstructionByDecoding(*rom, labels, plain, text);
      ASSERT_EQ(fast, plain) << '"' << text << "\" match " << n;
      if (plain >= 0) fast = ++plain;
    }
  }
  EXPECT_GT(withLabel, 20);  // the data really exercises label names
}
