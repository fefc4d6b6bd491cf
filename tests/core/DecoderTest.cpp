#include <gtest/gtest.h>

#include <initializer_list>
#include <random>

#include "isa/Decoder.h"
#include "isa/InstructionTable.h"
#include "model/NumberText.h"

namespace {

struct DecoderFixture : ::testing::Test {
  Rom rom;
  LabelTables labels;

  void Put(uint32_t offset, std::initializer_list<uint8_t> bytes) {
    for (uint8_t b : bytes) rom.SetByte(offset++, b);
  }
  std::string Text(uint32_t offset, ValueFormat f = ValueFormat::Hex) {
    return DecodeInstruction(rom, offset, f, labels).Text;
  }
};

}  // namespace

TEST_F(DecoderFixture, OperandsInEachFormat) {
  struct Row {
    std::initializer_list<uint8_t> bytes;
    uint32_t offset;
    const char* dec;
    const char* hex;
    const char* bin;
    uint8_t length;
  };
  const Row rows[] = {
      {{0x3E, 0x3E}, 0x100, "ld a,62", "ld a,$3E", "ld a,%111110", 2},
      {{0xC3, 0x50, 0x01}, 0x100, "jp 336", "jp $0150", "jp %101010000", 3},
      {{0xE0, 0x44},
       0x100,
       "ld [$FF00 + 68],a",
       "ld [$FF00 + $44],a",
       "ld [$FF00 + %1000100],a",
       2},
      {{0xE8, 0xF0}, 0x100, "add sp,-16", "add sp,-$10", "add sp,-%10000", 2},
      {{0xE8, 0x80}, 0x100, "add sp,-128", "add sp,-$80", "add sp,-%10000000", 2},
      {{0xE8, 0x05}, 0x100, "add sp,+5", "add sp,+$05", "add sp,+%101", 2},
      {{0xE8, 0x00}, 0x100, "add sp,+0", "add sp,+$00", "add sp,+%0", 2},
      {{0x18, 0xFE}, 0x150, "jr 336", "jr $0150", "jr %101010000", 2},
      {{0x18, 0xFE}, 0x14000, "jr 16384", "jr $4000", "jr %100000000000000", 2},
      {{0x18, 0x80}, 0x4000, "jr 16258", "jr $3F82", "jr %11111110000010", 2},
      {{0x18, 0x80}, 0, "jr 65410", "jr $FF82", "jr %1111111110000010", 2},
      {{0x20, 0x1E}, 0x4100, "jr nz,16672", "jr nz,$4120", "jr nz,%100000100100000", 2},
      {{0xF8, 0x05}, 0x100, "ld hl,sp + 5", "ld hl,sp + $05", "ld hl,sp + %101", 2},
      {{0x08, 0x34, 0x12}, 0x100, "ld [4660],sp", "ld [$1234],sp", "ld [%1001000110100],sp", 3},
      {{0xCB, 0x7C}, 0x100, "bit 7,h", "bit 7,h", "bit 7,h", 2},
      {{0xCB, 0x37}, 0x100, "swap a", "swap a", "swap a", 2},
      {{0x10, 0x00}, 0x100, "stop", "stop", "stop", 1},
      {{0xD9}, 0x100, "reti", "reti", "reti", 1},
      {{0xD3}, 0x100, "-", "-", "-", 1},
      {{0xEC, 0x12, 0x34}, 0x100, "-", "-", "-", 1},
      {{0xF2}, 0x100, "ld a,[$FF00 + c]", "ld a,[$FF00 + c]", "ld a,[$FF00 + c]", 1},
  };
  for (const Row& r : rows) {
    Put(r.offset, r.bytes);
    const ValueFormat formats[] = {ValueFormat::Dec, ValueFormat::Hex, ValueFormat::Bin};
    const char* texts[] = {r.dec, r.hex, r.bin};
    for (int f = 0; f < 3; ++f) {
      DecodedInstruction d = DecodeInstruction(rom, r.offset, formats[f], labels);
      EXPECT_EQ(d.Text, texts[f]);
      EXPECT_EQ(d.Length, r.length) << r.hex;
    }
  }
}

TEST_F(DecoderFixture, WordOperandsBecomeLabelsByBank) {
  labels.AddRomLabel(0x150, "Main");
  labels.AddRomLabel(0x8000, "Two");
  labels.AddRomLabel(0x14000, "Five");
  labels.AddRamLabel(0xC000, 0, "wCounter");
  labels.AddRamLabel(0xC000, 1, "wShadowed");
  labels.AddRamLabel(0xFF44, 0, "rLY");
  labels.AddRamLabel(0x8000, 0, "Vram");
  struct Row {
    std::initializer_list<uint8_t> bytes;
    uint32_t offset;
    const char* text;
  };
  const Row rows[] = {
      {{0xC3, 0x50, 0x01}, 0x200, "jp @Main"},
      {{0xC3, 0x50, 0x01}, 0x14100, "jp @Main"},        // bank 0 is seen from every bank
      {{0xC3, 0x50, 0x41}, 0x200, "jp $4150"},          // not the bank-0 label at 0150
      {{0xCD, 0x00, 0x40}, 0x14123, "call Five"},       // own bank: the bare name
      {{0xCD, 0x00, 0x40}, 0x200, "call @Two"},         // from bank 0 the first banked label wins
      {{0xCD, 0x00, 0x40}, 0x10123, "call $4000"},      // bank 4 has no label there
      {{0xFA, 0x00, 0xC0}, 0x200, "ld a,[@wCounter]"},  // first RAM label at the address
      {{0xFA, 0x00, 0x80}, 0x200, "ld a,[@Vram]"},      // RAM starts at 8000
      {{0xFA, 0x00, 0x80}, 0x14100, "ld a,[@Vram]"},
      {{0xFA, 0xFF, 0x7F}, 0x200, "ld a,[$7FFF]"},
      {{0xE0, 0x44}, 0x200, "ld [$FF00 + $44],a"},      // byte operands never become labels
      {{0x18, 0x4E}, 0x100, "jr @Main"},                // relative targets do
      {{0x18, 0xFE}, 0x14000, "jr Five"},
  };
  for (const Row& r : rows) {
    Put(r.offset, r.bytes);
    EXPECT_EQ(Text(r.offset), r.text);
  }
}

TEST(Decoder, IndexedLabelLookupEqualsTheTableScan) {
  // Random labels with many repeats at one address, checked against a plain scan for every
  // value from several instruction banks.
  std::mt19937 rng(7);
  LabelTables labels;
  for (int i = 0; i < 3000; ++i) {
    int32_t offset = static_cast<int32_t>(rng() % 0x20000);
    labels.AddRomLabel(offset, "R" + std::to_string(i));
  }
  for (int i = 0; i < 1000; ++i) {
    labels.AddRamLabel(static_cast<uint16_t>(0x8000 + rng() % 0x8000), 0, "M" + std::to_string(i));
  }
  for (uint32_t from : {0x100u, 0x3FFFu, 0x4000u, 0x9ABCu, 0x1C000u, 0x44000u}) {
    for (uint32_t v = 0; v <= 0xFFFF; ++v) {
      ASSERT_EQ(LabelForValue(static_cast<uint16_t>(v), from, labels),
                LabelForValueByScan(static_cast<uint16_t>(v), from, labels))
          << v << " from " << from;
    }
  }
}

TEST(Decoder, EveryFormDecodesInAllFormatsWithTheTableLength) {
  Rom rom;
  LabelTables none;
  for (int b0 = 0; b0 < 256; ++b0) {
    rom.SetByte(0x4000, static_cast<uint8_t>(b0));
    for (int b1 : {0x00, 0x7F, 0x80, 0xFF}) {
      rom.SetByte(0x4001, static_cast<uint8_t>(b1));
      rom.SetByte(0x4002, 0xA5);
      for (ValueFormat f : {ValueFormat::Dec, ValueFormat::Hex, ValueFormat::Bin}) {
        DecodedInstruction d = DecodeInstruction(rom, 0x4000, f, none);
        EXPECT_EQ(d.Length, InstructionLength(static_cast<uint8_t>(b0)));
        EXPECT_EQ(d.Text.find('?'), std::string::npos) << d.Text;
        if (b0 == 0xCB) {
          EXPECT_EQ(d.Text, DisasmTable[kCbBase + b1].Template);
        } else if (DisasmTable[b0].Kind == kOperandNone || DisasmTable[b0].Kind == kOperandStop) {
          EXPECT_EQ(d.Text, DisasmTable[b0].Template);
        }
      }
    }
  }
}

TEST(Decoder, ReadsPastTheEndOfTheBufferAsZero) {
  Rom rom;
  LabelTables none;
  rom.SetByte(kRomCapacity - 1, 0xC3);
  DecodedInstruction d = DecodeInstruction(rom, kRomCapacity - 1, ValueFormat::Hex, none);
  EXPECT_EQ(d.Text, "jp $0000");
  EXPECT_EQ(d.Length, 3);
}
