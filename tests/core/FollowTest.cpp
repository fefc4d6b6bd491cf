#include <gtest/gtest.h>

#include <initializer_list>

#include "TestRom.h"
#include "isa/Follow.h"

TEST(Follow, TargetsOfEachFamilyAndBankRule) {
  auto rom = MakeRom(0x20000);
  LabelTables labels;
  // From bank 0 the listing shows the first label at a switchable address, whatever its bank.
  labels.AddRomLabel(0xC100, "Far");     // 03:4100
  labels.AddRomLabel(0x14100, "Later");  // 05:4100
  labels.AddRomLabel(0x8200, "Other");   // 02:4200
  struct Row {
    uint32_t at;
    std::initializer_list<uint8_t> bytes;
    std::optional<uint32_t> target;
  };
  const Row rows[] = {
      {0x100, {0xC3, 0x50, 0x01}, 0x150},             // jp $0150
      {0x100, {0xC2, 0x00, 0x02}, 0x200},             // jp nz,$0200
      {0x100, {0xCD, 0x00, 0x41}, 0xC100},            // call $4100 from bank 0: the label's bank
      {0x100, {0xC3, 0x00, 0x42}, 0x8200},            // jp $4200: the bank of Other
      {0x100, {0xCC, 0x00, 0x43}, 0x4300},            // call z,$4300, no label: bank 1
      {0x14000, {0xCD, 0x00, 0x41}, 0x14100},         // banked: its own bank, not Far's
      {0x4000, {0xCD, 0x00, 0x41}, 0x4100},           // from the first byte of bank 1: bank 1
      {0x3FFF, {0xCD, 0x00, 0x41}, 0xC100},           // from the last byte of bank 0: Far's
      {0x14000, {0xD4, 0x50, 0x01}, 0x150},           // call nc,$0150 from a bank: bank 0
      {0x200, {0x20, 0x10}, 0x212},                   // jr nz,+$10
      {0x14010, {0x18, 0xFE}, 0x14010},               // jr to itself in bank 5
      {0x4000, {0x18, 0xFC}, 0x3FFE},                 // jr from bank 1 back into bank 0
      {0x3FF0, {0x38, 0x7F}, 0x4071},                 // jr c from bank 0 into 4000-7FFF: bank 1
      {0x14000, {0xFF}, 0x38},                        // rst $38
      {0x100, {0xCF}, 0x08},                          // rst $8
      {0x100, {0x21, 0x50, 0x41}, 0x4150},            // ld hl,$4150
      {0x100, {0x01, 0x00, 0x00}, 0x0},               // ld bc,$0000
      {0x100, {0xFA, 0x00, 0x20}, 0x2000},            // ld a,[$2000]
      {0x8000, {0xEA, 0x00, 0x61}, 0x8000 + 0x2100},  // ld [$6100],a in bank 2
      {0x100, {0x08, 0x34, 0x12}, 0x1234},            // ld [$1234],sp
      {0x100, {0xEA, 0x00, 0xC0}, std::nullopt},      // ld [$C000],a: RAM
      {0x100, {0xC3, 0x00, 0x80}, std::nullopt},      // jp $8000
      {0x100, {0x31, 0xFE, 0xFF}, std::nullopt},      // ld sp,$FFFE
      {0x100, {0xE9}, std::nullopt},                  // jp hl
      {0x100, {0xC9}, std::nullopt},                  // ret
      {0x100, {0x3E, 0x3E}, std::nullopt},            // ld a,$3E
      {0x100, {0xE0, 0x80}, std::nullopt},            // ld [$FF00 + $80],a
      {0x100, {0xCB, 0xC7}, std::nullopt},            // set 0,a (CB C7 is no rst)
      {0x100, {0x00}, std::nullopt},                  // nop
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << std::hex << r.at << " " << int(*r.bytes.begin()));
    Put(*rom, r.at, r.bytes);
    EXPECT_EQ(FollowTarget(*rom, labels, r.at), r.target);
  }
}
